import QtQuick

// The panel's search ornament: a magnifier and the "/" key cap.
Rectangle {
    id: root
    implicitWidth: row.implicitWidth + 24
    implicitHeight: row.implicitHeight + 14
    radius: height / 2
    color: Qt.rgba(0, 0, 0, 0.28)
    border.width: 1
    border.color: Qt.rgba(1, 1, 1, 0.14)

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 6
        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: "magnifyingglass"
            size: 13
            color: Qt.rgba(1, 1, 1, 0.75)
        }
        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            width: slash.implicitWidth + 10
            height: slash.implicitHeight + 2
            radius: 4
            color: Qt.rgba(1, 1, 1, 0.16)
            Text {
                id: slash
                anchors.centerIn: parent
                text: "/"
                font.pixelSize: 11
                font.weight: Font.Medium
                color: Qt.rgba(1, 1, 1, 0.75)
            }
        }
    }
}
