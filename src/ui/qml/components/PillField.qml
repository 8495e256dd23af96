import QtQuick
import Tovel

// Capsule around a field: 16 × 11 padding, material, scheme tint and outline.
Item {
    id: root
    property bool dark: Appearance.dark
    default property alias content: body.data

    implicitWidth: body.childrenRect.width + 32
    implicitHeight: body.childrenRect.height + 22

    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: root.dark ? Qt.rgba(0.11, 0.11, 0.13, 0.46) : Qt.rgba(0.97, 0.97, 0.98, 0.50)
    }
    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: root.dark ? Qt.rgba(0, 0, 0, 0.22) : Qt.rgba(1, 1, 1, 0.22)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, root.dark ? 0.16 : 0.6)
    }
    Item {
        id: body
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        anchors.topMargin: 11
        anchors.bottomMargin: 11
    }
}
