import QtQuick
import QtQuick.Window
import Tovel

// Our own close, minimise and maximise buttons for the frameless window.
Row {
    id: root
    property Window window
    spacing: 6

    Repeater {
        model: [
            { symbol: "xmark", name: qsTr("Close") },
            { symbol: "minus", name: qsTr("Minimise") },
            { symbol: "square", name: qsTr("Maximise") }
        ]
        delegate: Rectangle {
            id: control
            required property var modelData
            required property int index
            width: 22
            height: 22
            radius: 11
            color: area.containsMouse ? (index === 0 ? Theme.danger : Theme.hairline) : Theme.controlFill
            border.width: 1
            border.color: Theme.hairline
            Accessible.role: Accessible.Button
            Accessible.name: modelData.name
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
                onClicked: {
                    if (!root.window)
                        return
                    if (control.index === 0)
                        root.window.close()
                    else if (control.index === 1)
                        root.window.showMinimized()
                    else if (root.window.visibility === Window.Maximized)
                        root.window.showNormal()
                    else
                        root.window.showMaximized()
                }
            }
        }
    }
}
