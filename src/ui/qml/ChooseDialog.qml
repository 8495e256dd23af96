import QtQuick
import QtQuick.Layouts
import QtQuick.Window
import Tovel

// The items an input stands for, to choose from before gathering: newest first, those saved before
// marked, every one checked to begin with. Arrow keys move through the list, Space checks or unchecks,
// Escape leaves without gathering.
FocusScope {
    id: root
    property string input
    // The Get pane's choices, positions in its pickers.
    property int format
    property int quality
    property int sound
    signal gathered()
    visible: false
    Accessible.role: Accessible.Dialog
    Accessible.name: heading.text
    Accessible.ignored: !visible

    property Item focusBefore: null
    function open(text) {
        input = text
        focusBefore = Window.window ? Window.window.activeFocusItem : null
        choices.load(text, format, quality, sound)
        visible = true
        forceActiveFocus()
        list.forceActiveFocus()
    }
    function close() {
        visible = false
        if (focusBefore)
            focusBefore.forceActiveFocus()
        focusBefore = null
    }
    function gather() {
        if (choices.checkedCount === 0)
            return
        if (Gathering.gatherPicked(root.input, root.format, root.quality, root.sound, choices.picked())) {
            close()
            gathered()
        }
    }

    Keys.onEscapePressed: close()

    ChoiceList {
        id: choices
        objectName: "choices"
    }

    // Everything behind is out of reach while the list stands.
    Rectangle {
        anchors.fill: parent
        color: Theme.scrim
        MouseArea { anchors.fill: parent; hoverEnabled: true; onWheel: wheel => wheel.accepted = true }
    }
    Rectangle {
        anchors.centerIn: parent
        width: Math.min(640, parent.width - 80)
        height: Math.min(parent.height - 80, box.implicitHeight + 48)
        radius: 18
        color: Theme.popupFill
        border.width: 1
        border.color: Theme.hairline
        ColumnLayout {
            id: box
            anchors.fill: parent
            anchors.margins: 24
            spacing: 14
            Text {
                id: heading
                Layout.fillWidth: true
                text: qsTr("Choose what to gather")
                textFormat: Text.PlainText
                font.pixelSize: Theme.titleSize
                font.weight: Font.Medium
                color: Theme.text
                Accessible.role: Accessible.Heading
                Accessible.name: text
                Accessible.ignored: !root.visible
            }
            Text {
                objectName: "chooseStatus"
                Layout.fillWidth: true
                text: choices.loading ? qsTr("Reading %1\u2026").arg(root.input)
                    : choices.error.length > 0 ? choices.error
                    : qsTr("%1 of %2 checked").arg(choices.checkedCount).arg(choices.count)
                textFormat: Text.PlainText
                elide: Text.ElideMiddle
                font.pixelSize: Theme.smallSize
                color: Theme.secondaryText
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                Accessible.ignored: !root.visible
            }
            RowLayout {
                spacing: 6
                TextButton {
                    objectName: "chooseAll"
                    text: qsTr("All")
                    accessibleName: qsTr("Check all items")
                    onClicked: choices.checkAll(true)
                }
                TextButton {
                    objectName: "chooseNone"
                    text: qsTr("None")
                    accessibleName: qsTr("Check no item")
                    onClicked: choices.checkAll(false)
                }
                Repeater {
                    model: [1, 5, 10]
                    TextButton {
                        required property int modelData
                        objectName: "chooseNewest" + modelData
                        text: qsTr("Newest %1").arg(modelData)
                        accessibleName: qsTr("Check only the newest %1").arg(modelData)
                        onClicked: choices.checkNewest(modelData)
                    }
                }
            }
            ListView {
                id: list
                objectName: "chooseList"
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.preferredHeight: Math.min(contentHeight, 360)
                clip: true
                model: choices
                activeFocusOnTab: true
                keyNavigationEnabled: true
                currentIndex: count > 0 ? 0 : -1
                Accessible.role: Accessible.List
                Accessible.name: qsTr("Items")
                Accessible.ignored: !root.visible
                Keys.onSpacePressed: if (currentIndex >= 0) choices.setChecked(currentIndex, !currentItem.checked)
                delegate: Item {
                    id: row
                    required property int index
                    required property string title
                    required property string detail
                    required property bool saved
                    required property bool checked
                    width: ListView.view.width
                    height: 46
                    Accessible.role: Accessible.CheckBox
                    Accessible.name: title + (saved ? ", " + qsTr("saved before") : "") + (detail.length > 0 ? ", " + detail : "")
                    Accessible.checkable: true
                    Accessible.checked: checked
                    Accessible.onToggleAction: choices.setChecked(index, !checked)
                    Rectangle {
                        anchors.fill: parent
                        radius: 8
                        color: area.containsMouse ? Theme.hairline : "transparent"
                        border.width: list.activeFocus && list.currentIndex === row.index ? 2 : 0
                        border.color: Theme.focusRing
                    }
                    Rectangle {
                        id: tick
                        anchors.left: parent.left
                        anchors.leftMargin: 10
                        anchors.verticalCenter: parent.verticalCenter
                        width: 18
                        height: 18
                        radius: 5
                        color: row.checked ? Theme.accent : "transparent"
                        border.width: row.checked ? 0 : 1.5
                        border.color: Theme.secondaryText
                        Text {
                            anchors.centerIn: parent
                            visible: row.checked
                            text: "\u2713"
                            font.pixelSize: Theme.smallSize
                            font.weight: Font.Bold
                            color: Theme.ink
                        }
                    }
                    Column {
                        anchors.left: tick.right
                        anchors.leftMargin: 12
                        anchors.right: savedMark.left
                        anchors.rightMargin: 10
                        anchors.verticalCenter: parent.verticalCenter
                        Text {
                            width: parent.width
                            text: row.title
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            font.pixelSize: Theme.bodySize
                            color: Theme.text
                        }
                        Text {
                            width: parent.width
                            visible: text.length > 0
                            text: row.detail
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            font.pixelSize: Theme.smallSize
                            color: Theme.secondaryText
                        }
                    }
                    Text {
                        id: savedMark
                        anchors.right: parent.right
                        anchors.rightMargin: 10
                        anchors.verticalCenter: parent.verticalCenter
                        text: row.saved ? qsTr("Saved before") : ""
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.smallSize
                        color: Theme.secondaryText
                    }
                    MouseArea {
                        id: area
                        anchors.fill: parent
                        hoverEnabled: true
                        cursorShape: Qt.PointingHandCursor
                        onClicked: {
                            list.currentIndex = row.index
                            choices.setChecked(row.index, !row.checked)
                        }
                    }
                }
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 10
                Item { Layout.fillWidth: true }
                TextButton {
                    objectName: "chooseCancel"
                    text: qsTr("Cancel")
                    accessibleName: qsTr("Cancel choosing")
                    onClicked: root.close()
                }
                AccentButton {
                    objectName: "chooseGather"
                    text: qsTr("Gather %1").arg(choices.checkedCount)
                    enabled: !choices.loading && choices.checkedCount > 0
                    opacity: enabled ? 1 : 0.45
                    onClicked: root.gather()
                }
            }
        }
    }
}
