import QtQuick
import QtQuick.Layouts
import Tovel

// Icon, background and interface mode: three separate choices, each stored and applied at a tap.
Item {
    id: pane
    objectName: "appearancePane"
    readonly property string title: qsTr("Appearance")

    component TileGrid: Item {
        id: grid
        property var images: []
        property string chosen
        property string groupName
        signal picked(string name)
        // One Tab stop for the group, on the chosen tile; the arrow keys choose its neighbours.
        readonly property int chosenIndex: Math.max(0, images.findIndex(image => image.name === chosen))
        function step(by) {
            const next = chosenIndex + by
            if (next < 0 || next >= images.length)
                return
            tileRepeater.itemAt(next).forceActiveFocus()
            picked(images[next].name)
        }
        Accessible.role: Accessible.Grouping
        Accessible.name: groupName
        readonly property int columns: Math.max(1, Math.floor((width + 15) / (96 + 15)))
        readonly property real cell: (width - 15 * (columns - 1)) / columns
        implicitWidth: 96
        implicitHeight: tiles.implicitHeight
        Grid {
            id: tiles
            columns: grid.columns
            columnSpacing: 15
            rowSpacing: 15
            Repeater {
                id: tileRepeater
                model: grid.images
                delegate: Item {
                    id: tile
                    required property var modelData
                    required property int index
                    readonly property bool selected: modelData.name === grid.chosen
                    objectName: grid.objectName + "-" + modelData.name
                    width: grid.cell
                    height: 76 + 6 + caption.implicitHeight
                    Accessible.role: Accessible.RadioButton
                    Accessible.name: caption.text
                    Accessible.checkable: true
                    Accessible.checked: selected
                    Accessible.focusable: true
                    Accessible.onPressAction: grid.picked(modelData.name)
                    activeFocusOnTab: index === grid.chosenIndex
                    Keys.onSpacePressed: grid.picked(modelData.name)
                    Keys.onReturnPressed: grid.picked(modelData.name)
                    Keys.onLeftPressed: grid.step(-1)
                    Keys.onRightPressed: grid.step(1)
                    Keys.onUpPressed: grid.step(-grid.columns)
                    Keys.onDownPressed: grid.step(grid.columns)
                    Image {
                        id: picture
                        anchors.horizontalCenter: parent.horizontalCenter
                        width: 76
                        height: 76
                        source: "image://tile/" + encodeURIComponent(tile.modelData.source.toString())
                        sourceSize: Qt.size(152, 152)
                        asynchronous: true
                        smooth: true
                        mipmap: true
                    }
                    Rectangle {
                        anchors.fill: picture
                        anchors.margins: tile.selected ? -3 : 0
                        radius: 76 * 0.22 + (tile.selected ? 3 : 0)
                        color: "transparent"
                        border.width: tile.selected ? 2.5 : 1
                        border.color: tile.selected ? Theme.accent : Theme.tileEdge
                    }
                    Rectangle {
                        anchors.fill: picture
                        anchors.margins: -6
                        radius: 22
                        color: "transparent"
                        border.width: tile.activeFocus ? 2 : 0
                        border.color: Theme.focusRing
                    }
                    Text {
                        id: caption
                        anchors.top: picture.bottom
                        anchors.topMargin: 6
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        text: Appearance.displayName(tile.modelData.name)
                        Accessible.ignored: true
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.captionSize
                        font.weight: tile.selected ? Font.Medium : Font.Normal
                        color: tile.selected ? Theme.text : Theme.secondaryText
                        elide: Text.ElideRight
                    }
                    MouseArea {
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                        onClicked: grid.picked(tile.modelData.name)
                    }
                }
            }
        }
    }

    SettingsPage {
        anchors.fill: parent
        headline: qsTr("Make it yours.")
        subline: qsTr("Icon, background, and interface are three separate choices.")

        SettingsCard {
            title: qsTr("App Icon")
            badge: Appearance.displayName(Appearance.iconName)
            symbol: "app.badge"
            TileGrid {
                objectName: "iconGrid"
                groupName: qsTr("App Icon")
                Layout.fillWidth: true
                images: Appearance.icons
                chosen: Appearance.iconName
                onPicked: name => Appearance.iconName = name
            }
        }
        SettingsCard {
            title: qsTr("Window Background")
            badge: Appearance.displayName(Appearance.wallpaperName)
            symbol: "photo"
            TileGrid {
                objectName: "wallpaperGrid"
                groupName: qsTr("Window Background")
                Layout.fillWidth: true
                images: Appearance.wallpapers
                chosen: Appearance.wallpaperName
                onPicked: name => Appearance.wallpaperName = name
            }
        }
        SettingsCard {
            title: qsTr("Interface")
            badge: Appearance.modeLabel(Appearance.mode)
            symbol: "circle.lefthalf.filled"
            Row {
                id: segments
                objectName: "modePicker"
                Layout.preferredWidth: 280
                Layout.preferredHeight: 30
                Accessible.role: Accessible.Grouping
                Accessible.name: qsTr("Interface")
                // One Tab stop, on the chosen mode; Left and Right choose another.
                readonly property var modes: ["system", "dark", "light"]
                function step(from, by) {
                    const next = from + by
                    if (next < 0 || next >= modes.length)
                        return
                    modeRepeater.itemAt(next).forceActiveFocus()
                    Appearance.mode = modes[next]
                }
                Repeater {
                    id: modeRepeater
                    model: [{ mode: "system", text: qsTr("System") }, { mode: "dark", text: qsTr("Dark") }, { mode: "light", text: qsTr("Light") }]
                    delegate: Rectangle {
                        id: segment
                        required property var modelData
                        required property int index
                        readonly property bool selected: Appearance.mode === modelData.mode
                        objectName: "mode-" + modelData.mode
                        width: 280 / 3
                        height: 30
                        radius: 8
                        color: selected ? Theme.accent : Theme.fieldFill
                        border.width: activeFocus ? 2 : 1
                        border.color: activeFocus ? Theme.focusRing : Theme.hairline
                        activeFocusOnTab: selected
                        Accessible.role: Accessible.RadioButton
                        Accessible.name: modelData.text
                        Accessible.checkable: true
                        Accessible.checked: selected
                        Accessible.focusable: true
                        Accessible.onPressAction: Appearance.mode = modelData.mode
                        Keys.onSpacePressed: Appearance.mode = modelData.mode
                        Keys.onReturnPressed: Appearance.mode = modelData.mode
                        Keys.onLeftPressed: segments.step(index, -1)
                        Keys.onRightPressed: segments.step(index, 1)
                        Text {
                            anchors.centerIn: parent
                            text: segment.modelData.text
                            Accessible.ignored: true
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.smallSize
                            font.weight: segment.selected ? Font.DemiBold : Font.Normal
                            color: segment.selected ? Theme.ink : Theme.text
                        }
                        MouseArea {
                            anchors.fill: parent
                            cursorShape: Qt.PointingHandCursor
                            onClicked: Appearance.mode = segment.modelData.mode
                        }
                    }
                }
            }
            Text {
                text: qsTr("System follows your desktop. Dark and Light override it.")
                textFormat: Text.PlainText
                font.pixelSize: Theme.captionSize
                color: Theme.tertiaryText
            }
        }
    }
}
