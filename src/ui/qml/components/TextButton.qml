import QtQuick
import Tovel

// A quiet action in text: a card's Cancel, Show or Play. Space or Return presses it while focused.
Item {
    id: root
    property string text
    property color color: Theme.secondaryText
    signal clicked()

    implicitWidth: label.implicitWidth + 12
    implicitHeight: label.implicitHeight + 8
    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.onPressAction: clicked()
    Keys.onSpacePressed: clicked()
    Keys.onReturnPressed: clicked()

    Rectangle {
        anchors.fill: parent
        radius: 6
        color: area.containsMouse ? Theme.hairline : "transparent"
        border.width: root.activeFocus ? 1.5 : 0
        border.color: Theme.accent
    }
    Text {
        id: label
        anchors.centerIn: parent
        text: root.text
        textFormat: Text.PlainText
        font.pixelSize: Theme.captionSize
        font.weight: Font.Medium
        color: area.containsMouse ? Theme.text : root.color
    }
    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: root.clicked()
    }
}
