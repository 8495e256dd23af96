import QtQuick
import Tovel

// The primary action: ink on amber. Return or Enter presses it while it has focus.
Rectangle {
    id: root
    property string text
    signal clicked()

    implicitWidth: label.implicitWidth + 52
    implicitHeight: label.implicitHeight + 20
    radius: 12
    color: area.pressed ? Qt.darker(Theme.accent, 1.12) : (area.containsMouse ? Qt.lighter(Theme.accent, 1.06) : Theme.accent)
    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.onPressAction: clicked()

    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    Keys.onSpacePressed: clicked()

    Text {
        id: label
        anchors.centerIn: parent
        text: root.text
        textFormat: Text.PlainText
        font.pixelSize: 13
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
