import QtQuick
import Tovel

// The panel's search ornament: a magnifier and the "/" key cap.
Rectangle {
    id: root
    implicitWidth: row.implicitWidth + 24
    implicitHeight: row.implicitHeight + 14
    radius: height / 2
    color: Theme.controlFill
    border.width: 1
    border.color: Theme.hairline

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 6
        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: "magnifyingglass"
            size: 13
            color: Theme.secondaryText
        }
        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            width: slash.implicitWidth + 10
            height: slash.implicitHeight + 2
            radius: 4
            color: Theme.hairline
            Text {
                id: slash
                anchors.centerIn: parent
                text: "/"
                font.pixelSize: Theme.captionSize
                font.weight: Font.Medium
                color: Theme.secondaryText
            }
        }
    }
}
