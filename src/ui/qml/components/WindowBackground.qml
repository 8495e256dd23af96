import QtQuick
import Tovel

// Base colour, the chosen background cropped to fill, and a veil that keeps cards readable.
Rectangle {
    id: root
    property url source: Appearance.wallpaperSource
    readonly property alias image: picture

    color: Theme.windowBase

    Image {
        id: picture
        anchors.fill: parent
        source: root.source
        fillMode: Image.PreserveAspectCrop
        sourceSize.width: 2560
        asynchronous: true
        cache: true
        visible: status === Image.Ready
    }
    Rectangle {
        anchors.fill: parent
        color: Theme.veil
    }
}
