import QtQuick
import Tovel

// A labelled switch. Space or Return flips it while focused; `toggled` reports the user's change.
Item {
    id: root
    property string text
    // What the switch turns on, for assistive technology, when its words alone do not say.
    property string accessibleName: text
    property bool checked: false
    signal toggled(bool checked)

    implicitWidth: track.width + 10 + label.implicitWidth
    implicitHeight: Math.max(track.height, label.implicitHeight)
    activeFocusOnTab: true
    Accessible.role: Accessible.CheckBox
    Accessible.name: accessibleName
    Accessible.checkable: true
    Accessible.checked: checked
    Accessible.focusable: true
    Accessible.ignored: !visible
    Accessible.onToggleAction: flip()
    Keys.onSpacePressed: flip()
    Keys.onReturnPressed: flip()

    function flip() { root.toggled(!root.checked) }

    Rectangle {
        id: track
        anchors.verticalCenter: parent.verticalCenter
        width: 36
        height: 20
        radius: 10
        color: root.checked ? Theme.accent : Theme.hairline
        border.width: root.activeFocus ? 2 : 0
        border.color: Theme.focusRing
        Rectangle {
            width: 16
            height: 16
            radius: 8
            y: 2
            x: root.checked ? parent.width - width - 2 : 2
            color: root.checked ? Theme.ink : Theme.knob
            Behavior on x { NumberAnimation { duration: 120; easing.type: Easing.OutQuad } }
        }
    }
    Text {
        id: label
        anchors.left: track.right
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        text: root.text
        Accessible.ignored: true
        textFormat: Text.PlainText
        font.pixelSize: Theme.smallSize
        color: Theme.text
    }
    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: root.flip()
    }
}
