import QtQuick
import QtQuick.Window

Window {
    id: window
    width: 1100
    height: 720
    minimumWidth: 900
    minimumHeight: 640
    visible: true
    title: "Tovel"
    color: "#0b0b0d"

    Column {
        anchors.centerIn: parent
        spacing: 8
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Tovel"
            color: "white"
            font.pixelSize: 38
            font.weight: Font.DemiBold
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Gather what's scattered."
            color: "#a0a0a8"
            font.pixelSize: 13
        }
    }
}
