import QtQuick
import Tovel

// A quiet action in text: a card's Cancel, Show or Play. Space or Return presses it while focused.
// `accessibleName` says what it acts on ("Play Episode 12") where the text alone would not.
Item {
    id: root
    property string text
    property string accessibleName: text
    property color color: Theme.secondaryText
    // Where a list decides where Tab goes next: called with true for Tab, false for Shift+Tab, and
    // returns whether it moved the focus itself.
    property var tabHandler: null
    signal clicked()

    implicitWidth: label.implicitWidth + 12
    implicitHeight: label.implicitHeight + 8
    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.focusable: true
    Accessible.ignored: !visible
    Accessible.onPressAction: clicked()
    Keys.onSpacePressed: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onTabPressed: event => event.accepted = tabHandler !== null && tabHandler(true)
    Keys.onBacktabPressed: event => event.accepted = tabHandler !== null && tabHandler(false)

    Rectangle {
        anchors.fill: parent
        radius: 6
        color: area.containsMouse ? Theme.hairline : "transparent"
        border.width: root.activeFocus ? 2 : 0
        border.color: Theme.focusRing
    }
    Text {
        id: label
        anchors.centerIn: parent
        text: root.text
        Accessible.ignored: true
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
