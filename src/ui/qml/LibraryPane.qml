import QtQuick
import QtQuick.Layouts
import Tovel

// The audio files in Downloads, newest first, listed afresh each time the pane is shown (the pane
// itself is kept between visits).
Item {
    id: pane
    objectName: "libraryPane"
    readonly property string title: qsTr("Library")
    readonly property alias files: library

    LibraryModel {
        id: library
        objectName: "libraryModel"
    }
    onVisibleChanged: if (visible) library.reload(Gathering.filesInProgress())

    ListView {
        id: view
        objectName: "fileList"
        anchors.fill: parent
        anchors.topMargin: 26
        clip: true
        spacing: 8
        boundsBehavior: Flickable.StopAtBounds
        model: library
        readonly property real column: Math.min(820, width - 64)
        header: Item {
            width: view.width
            height: headerColumn.implicitHeight + 8
            ColumnLayout {
                id: headerColumn
                x: (parent.width - width) / 2
                width: view.column
                spacing: 22
                ColumnLayout {
                    Layout.alignment: Qt.AlignHCenter
                    spacing: 8
                    Text {
                        Layout.alignment: Qt.AlignHCenter
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                        text: qsTr("Your library")
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.displaySize
                        font.weight: Font.DemiBold
                        color: Theme.text
                    }
                    Text {
                        Layout.alignment: Qt.AlignHCenter
                        text: qsTr("Everything Tovel has gathered, newest first.")
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.bodySize
                        color: Theme.secondaryText
                    }
                }
                GlassPanel {
                    objectName: "emptyState"
                    visible: library.loaded && library.count === 0
                    Layout.fillWidth: true
                    Layout.preferredHeight: empty.implicitHeight + 80
                    weight: 0.42
                    ColumnLayout {
                        id: empty
                        anchors.centerIn: parent
                        spacing: 12
                        Symbol {
                            Layout.alignment: Qt.AlignHCenter
                            name: "sparkles"
                            size: 22
                            color: Theme.tertiaryText
                        }
                        Text {
                            Layout.alignment: Qt.AlignHCenter
                            text: qsTr("Nothing here yet")
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.bodySize
                            font.weight: Font.Medium
                            color: Theme.text
                        }
                    }
                }
                CardHeader {
                    objectName: "filesHeader"
                    visible: library.count > 0
                    Layout.fillWidth: true
                    title: qsTr("Gathered files")
                    badge: String(library.count)
                    symbol: "square.stack"
                }
            }
        }
        delegate: Item {
            id: row
            required property url url
            required property string name
            required property string extension
            required property string source
            required property int index
            readonly property string fileName: decodeURIComponent(url.toString().split("/").pop())
            width: view.width
            height: 50 + (notice.visible ? notice.implicitHeight + 4 : 0)
            GlassPanel {
                x: (parent.width - width) / 2
                width: view.column
                height: 50
                weight: 0.48
                corner: 14
                RowLayout {
                    anchors.fill: parent
                    anchors.margins: 14
                    spacing: 11
                    Item {
                        Layout.preferredWidth: 22
                        Layout.preferredHeight: 22
                        Symbol {
                            anchors.centerIn: parent
                            name: "waveform"
                            size: 14
                            color: Theme.accent
                        }
                    }
                    // The name, shortened only when it must be, with its extension right after it.
                    Item {
                        Layout.fillWidth: true
                        implicitHeight: fileName.implicitHeight
                        Text {
                            id: fileName
                            objectName: "fileName"
                            anchors.verticalCenter: parent.verticalCenter
                            width: Math.min(implicitWidth, parent.width - kind.implicitWidth - 11)
                            text: row.name
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.bodySize
                            color: Theme.text
                            elide: Text.ElideRight
                            maximumLineCount: 1
                        }
                        Text {
                            id: kind
                            anchors.verticalCenter: parent.verticalCenter
                            x: fileName.width + 11
                            text: row.extension
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.tagSize
                            font.weight: Font.Medium
                            color: Theme.tertiaryText
                        }
                    }
                    // Where the file came from, when Tovel saved it: the show or the item.
                    Text {
                        objectName: "fileSource"
                        visible: row.source.length > 0
                        Layout.maximumWidth: view.column * 0.38
                        text: row.source
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.captionSize
                        color: Theme.secondaryText
                        elide: Text.ElideRight
                        maximumLineCount: 1
                    }
                    TextButton {
                        objectName: "libraryPlayButton"
                        text: qsTr("Play")
                        accessibleName: qsTr("Play %1").arg(row.fileName)
                        // Tab through the files shows each as it takes focus.
                        onActiveFocusChanged: if (activeFocus) view.positionViewAtIndex(row.index, ListView.Contain)
                        onClicked: {
                            notice.clear()
                            Desktop.open(row.url)
                        }
                    }
                }
            }
            ActionNotice {
                id: notice
                x: (parent.width - view.column) / 2 + 14
                y: 54
                width: view.column - 28
                target: row.url
                about: row.fileName
            }
        }
        footer: Item { width: view.width; height: 32 }
    }
}
