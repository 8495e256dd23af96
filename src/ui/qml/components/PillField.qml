import QtQuick
import Tovel

// Capsule around a field: 16 × 11 padding, material, scheme tint and outline.
Item {
    id: root
    default property alias content: body.data

    implicitWidth: body.childrenRect.width + 32
    implicitHeight: body.childrenRect.height + 22

    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: Theme.glassMaterial
    }
    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: Theme.pillTint
        border.width: 1
        border.color: Theme.pillEdge
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
