import QtQuick
import QtQuick.Controls
import Tovel

// The narrow navigation column on the black backdrop.
Item {
    id: root
    property string pane: "get"
    signal chosen(string pane)

    readonly property var panes: [
        { id: "get", symbol: "arrow.down", title: qsTr("Get") },
        { id: "library", symbol: "square.stack", title: qsTr("Library") },
        { id: "following", symbol: "dot.radiowaves.left.and.right", title: qsTr("Following") },
        { id: "appearance", symbol: "paintbrush", title: qsTr("Appearance") },
        { id: "engine", symbol: "slider.horizontal.3", title: qsTr("Engine") }
    ]

    width: Theme.railWidth

    Column {
        anchors.top: parent.top
        anchors.topMargin: 16
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 4

        Item {
            width: 32
            height: 26 + 18 - 4
            Image {
                id: icon
                anchors.horizontalCenter: parent.horizontalCenter
                width: 26
                height: 26
                source: Appearance.iconSource
                sourceSize: Qt.size(52, 52)
                smooth: true
                mipmap: true
                visible: status === Image.Ready
            }
            // Rounds the icon's corners on the black rail, whatever the artwork's own shape.
            PanelCorners {
                anchors.fill: icon
                corner: 7
                visible: icon.visible
            }
        }

        Repeater {
            model: root.panes
            delegate: Rectangle {
                id: button
                required property var modelData
                readonly property bool selected: root.pane === modelData.id
                objectName: "railButton-" + modelData.id
                required property int index
                width: 32
                height: 32
                radius: 9
                color: selected ? Theme.railFillSelected : (hover.containsMouse ? Theme.railFillHover : Theme.railFill)
                // Reached with Tab, chosen with Space or Return, as a click would.
                activeFocusOnTab: true
                border.width: activeFocus ? 2 : 0
                border.color: Theme.focusRing
                Keys.onSpacePressed: root.chosen(modelData.id)
                Keys.onReturnPressed: root.chosen(modelData.id)
                Keys.onEnterPressed: root.chosen(modelData.id)
                Accessible.role: Accessible.PageTab
                Accessible.name: modelData.title
                Accessible.selectable: true
                Accessible.selected: selected
                Accessible.focusable: true
                Accessible.onPressAction: root.chosen(modelData.id)
                ToolTip.visible: hover.containsMouse || activeFocus
                ToolTip.delay: 600
                //: A pane of the window and the keys that show it, e.g. "Library (Ctrl+2)".
                ToolTip.text: qsTr("%1 (Ctrl+%2)").arg(modelData.title).arg(index + 1)
                Symbol {
                    anchors.centerIn: parent
                    name: button.modelData.symbol
                    size: 13
                    color: button.selected ? Theme.railInk : Theme.railQuietInk
                }
                MouseArea {
                    id: hover
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: root.chosen(button.modelData.id)
                }
            }
        }
    }

    Column {
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 16
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 8

        Rectangle {
            width: 32
            height: 32
            radius: 9
            color: folderArea.containsMouse ? Theme.railFolderHover : "transparent"
            objectName: "openDownloadsButton"
            activeFocusOnTab: true
            border.width: activeFocus ? 2 : 0
            border.color: Theme.focusRing
            Keys.onSpacePressed: Desktop.openDownloads()
            Keys.onReturnPressed: Desktop.openDownloads()
            Accessible.role: Accessible.Button
            Accessible.name: qsTr("Open Downloads")
            Accessible.focusable: true
            Accessible.onPressAction: Desktop.openDownloads()
            Symbol {
                anchors.centerIn: parent
                name: "folder"
                size: 13
                color: Theme.railQuietInk
            }
            MouseArea {
                id: folderArea
                anchors.fill: parent
                hoverEnabled: true
                onClicked: Desktop.openDownloads()
            }
            ToolTip.visible: (folderArea.containsMouse || activeFocus) && !trouble.visible
            ToolTip.delay: 600
            ToolTip.text: qsTr("Open Downloads")

            // Where no file manager could open the folder, the window says so beside the button.
            Popup {
                id: trouble
                objectName: "downloadsTrouble"
                x: parent.width + 10
                y: Math.min(0, parent.height - height)
                width: 360
                padding: 12
                closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
                background: Rectangle {
                    radius: 12
                    color: Theme.popupFill
                    border.width: 1
                    border.color: Theme.hairline
                }
                contentItem: ActionNotice {
                    target: Desktop.downloadsUrl()
                    about: qsTr("Downloads")
                    onSentenceChanged: sentence.length > 0 ? trouble.open() : trouble.close()
                }
            }
        }

        Item {
            width: 32
            height: 22
            visible: thumb.status === Image.Ready
            Image {
                id: thumb
                anchors.horizontalCenter: parent.horizontalCenter
                width: 22
                height: 22
                source: Appearance.wallpaperSource
                sourceSize: Qt.size(88, 88)
                fillMode: Image.PreserveAspectCrop
                asynchronous: true
                smooth: true
            }
            Rectangle {
                anchors.fill: thumb
                color: "transparent"
                border.width: 1
                border.color: Theme.railThumbEdge
            }
        }
    }
}
