import QtQuick
import QtQuick.Controls
import Tovel

// The narrow navigation column on the black backdrop.
Item {
    id: root
    property string pane: "get"
    signal chosen(string pane)

    readonly property var panes: [
        { id: "get", symbol: "arrow.down", title: "Get" },
        { id: "library", symbol: "square.stack", title: "Library" },
        { id: "appearance", symbol: "paintbrush", title: "Appearance" },
        { id: "engine", symbol: "slider.horizontal.3", title: "Engine" }
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
                width: 32
                height: 32
                radius: 9
                color: selected ? Theme.railFillSelected : (hover.containsMouse ? Theme.railFillHover : Theme.railFill)
                Accessible.role: Accessible.Button
                Accessible.name: modelData.title
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
            Accessible.role: Accessible.Button
            Accessible.name: "Open Downloads"
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
            ToolTip.visible: folderArea.containsMouse
            ToolTip.delay: 600
            ToolTip.text: "Open Downloads"
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
