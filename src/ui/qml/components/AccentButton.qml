import QtQuick
import Tovel

// The primary action: ink on amber. Return or Enter presses it while it has focus.
Rectangle {
    id: root
    property string text
    property string accessibleName: text
    signal clicked()

    implicitWidth: label.implicitWidth + 52
    implicitHeight: label.implicitHeight + 20
    radius: 12
    color: area.pressed ? Theme.accentPressed : (area.containsMouse ? Theme.accentHover : Theme.accent)
    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.focusable: true
    Accessible.ignored: !visible
    Accessible.onPressAction: if (enabled) clicked()

    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    Keys.onSpacePressed: clicked()

    // The focus ring sits just outside the amber, in the text's colour, so it shows on any background.
    Rectangle {
        anchors.fill: parent
        anchors.margins: -3
        radius: root.radius + 3
        color: "transparent"
        border.width: 2
        border.color: Theme.focusRing
        visible: root.activeFocus
    }
    Text {
        id: label
        anchors.centerIn: parent
        text: root.text
        Accessible.ignored: true
        textFormat: Text.PlainText
        font.pixelSize: Theme.bodySize
        font.weight: Font.DemiBold
        color: Theme.ink
    }
    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: root.clicked()
    }
}
