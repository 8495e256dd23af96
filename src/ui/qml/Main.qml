import QtQuick
import QtQuick.Window
import Tovel

Window {
    id: window
    width: 1100
    height: 720
    minimumWidth: 900
    minimumHeight: 640
    visible: true
    title: "Tovel"
    color: "black"

    Image {
        anchors.fill: parent
        source: Appearance.wallpaperSource
        fillMode: Image.PreserveAspectCrop
        asynchronous: true
        sourceSize.width: 2560
    }

    Column {
        anchors.centerIn: parent
        spacing: 8
        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            source: Appearance.iconSource
            width: 76
            height: 76
            sourceSize: Qt.size(152, 152)
            smooth: true
            mipmap: true
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Gather what's scattered."
            color: Appearance.dark ? "white" : "#111114"
            font.pixelSize: 38
            font.weight: Font.DemiBold
        }
    }
}
