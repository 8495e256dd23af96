import QtQuick
import QtQuick.Controls
import QtQuick.Window
import Tovel

// Our own close, minimise and maximise buttons for the frameless window; reached with Tab like any
// other control, pressed with Space or Return.
Row {
    id: root
    property Window window
    spacing: 6
    readonly property bool maximised: window !== null && window.visibility === Window.Maximized

    Repeater {
        model: [
            { symbol: "xmark", name: qsTr("Close"), key: "close" },
            { symbol: "minus", name: qsTr("Minimise"), key: "minimise" },
            { symbol: "square", name: root.maximised ? qsTr("Restore") : qsTr("Maximise"), key: "maximise" }
        ]
        delegate: Rectangle {
            id: control
            required property var modelData
            required property int index
            objectName: "windowControl-" + modelData.key
            width: 22
            height: 22
            radius: 11
            color: area.containsMouse ? (index === 0 ? Theme.danger : Theme.hairline) : Theme.controlFill
            border.width: activeFocus ? 2 : 1
            border.color: activeFocus ? Theme.focusRing : Theme.hairline
            activeFocusOnTab: true
            Accessible.role: Accessible.Button
            Accessible.name: modelData.name
            Accessible.focusable: true
            Accessible.onPressAction: act()
            Keys.onSpacePressed: act()
            Keys.onReturnPressed: act()
            Keys.onEnterPressed: act()
            ToolTip.visible: area.containsMouse || activeFocus
            ToolTip.delay: 600
            ToolTip.text: modelData.name

            function act() {
                if (!root.window)
                    return
                if (control.index === 0)
                    root.window.close()
                else if (control.index === 1)
                    root.window.showMinimized()
                else if (root.maximised)
                    root.window.showNormal()
                else
                    root.window.showMaximized()
            }
            Symbol {
                anchors.centerIn: parent
                name: control.modelData.symbol
                size: control.index === 2 ? 8 : 10
                color: !area.containsMouse ? Theme.quietGlyph : (control.index === 0 ? Theme.dangerInk : Theme.text)
            }
            MouseArea {
                id: area
                anchors.fill: parent
                hoverEnabled: true
                onClicked: control.act()
            }
        }
    }
}
