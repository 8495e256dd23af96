import QtQuick
import Tovel

// Base colour, the chosen background cropped to fill, and a veil that keeps cards readable.
Rectangle {
    id: root
    property bool dark: Appearance.dark
    property url source: Appearance.wallpaperSource
    readonly property alias image: picture

    color: dark ? "#0b0b0d" : Qt.rgba(0.86, 0.86, 0.86, 1)

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
