import QtQuick
import QtQuick.Layouts
import QtQuick.Window
import Tovel

// Asked before the window closes on running work: stopping ends every job cleanly first.
FocusScope {
    id: root
    property int count: Gathering.unfinished
    signal stop()
    signal keep()
    visible: false
    Accessible.role: Accessible.Dialog
    Accessible.name: question.text
    Accessible.ignored: !visible
    // The question stays true to what is running: once nothing is, there is nothing to ask.
    onCountChanged: if (visible && count === 0) { close(); stop() }
    // Focus comes back to where it was when the question goes.
    property Item focusBefore: null
    function open() {
        focusBefore = Window.window ? Window.window.activeFocusItem : null
        visible = true
        forceActiveFocus()
        stopButton.forceActiveFocus()
    }
    function close() {
        visible = false
        if (focusBefore)
            focusBefore.forceActiveFocus()
        focusBefore = null
    }

    Keys.onEscapePressed: { close(); keep() }

    // Everything behind is out of reach while the question stands.
    Rectangle {
        anchors.fill: parent
        color: Theme.scrim
        MouseArea { anchors.fill: parent; hoverEnabled: true; onWheel: wheel => wheel.accepted = true }
    }
    Rectangle {
        anchors.centerIn: parent
        width: 420
        height: box.implicitHeight + 48
        radius: 18
        color: Theme.popupFill
        border.width: 1
        border.color: Theme.hairline
        ColumnLayout {
            id: box
            anchors.fill: parent
            anchors.margins: 24
            spacing: 18
            Text {
                id: question
                objectName: "quitText"
                Layout.fillWidth: true
                text: root.count === 1 ? qsTr("1 item is still being gathered. Stop it and quit?")
                                       : qsTr("%n items are still being gathered. Stop them and quit?", "", root.count)
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.titleSize
                font.weight: Font.Medium
                color: Theme.text
            }
            Text {
                Layout.fillWidth: true
                text: qsTr("Downloads and conversions in progress end, and their unfinished files are removed.")
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.smallSize
                color: Theme.secondaryText
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 10
                Item { Layout.fillWidth: true }
                TextButton {
                    objectName: "keepGathering"
                    text: qsTr("Keep gathering")
                    onClicked: { root.close(); root.keep() }
                }
                AccentButton {
                    id: stopButton
                    objectName: "stopAndQuit"
                    text: qsTr("Stop and quit")
                    onClicked: root.stop()
                }
            }
        }
    }
}
