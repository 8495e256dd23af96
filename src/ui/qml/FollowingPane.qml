import QtQuick
import QtQuick.Layouts
import Tovel

// The shows followed: when each was last checked and what arrived, a check of them all now, and
// Unfollow. Their new episodes are gathered as jobs of the Get pane, where their cards show.
Item {
    id: pane
    objectName: "followingPane"
    readonly property string title: qsTr("Following")

    onVisibleChanged: if (visible) Following.reload()

    // The OPML chooser, made the first time Import… or Export… is pressed; null while it could not be.
    property QtObject chooser: null
    function choose(exporting) {
        if (!chooser) {
            const component = Qt.createComponent("OpmlChooser.qml")
            const problem = component.status !== Component.Ready ? component.errorString() : Following.fileDialogProblem()
            if (problem.length > 0) {
                console.warn("The OPML chooser cannot open:", problem)
                chooserProblem = qsTr("The file chooser can't open here. tovel follow --from FILE imports, tovel following --opml exports.")
                return
            }
            chooser = component.createObject(pane, { objectName: "opmlChooser" })
            chooser.accepted.connect(() => {
                if (chooser.exporting)
                    Following.exportTo(chooser.selectedFile)
                else
                    Following.importFrom(chooser.selectedFile, Gathering.format, Gathering.quality, Gathering.sound)
            })
        }
        chooserProblem = ""
        chooser.exporting = exporting
        chooser.open()
    }
    property string chooserProblem: ""
    Connections {
        target: Gathering
        function onShowsChanged() { Following.reload() }
    }

    ListView {
        id: view
        objectName: "showList"
        anchors.fill: parent
        anchors.topMargin: 26
        clip: true
        spacing: 8
        boundsBehavior: Flickable.StopAtBounds
        model: Following
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
                        text: qsTr("Shows you follow")
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.displaySize
                        font.weight: Font.DemiBold
                        color: Theme.text
                    }
                    Text {
                        Layout.alignment: Qt.AlignHCenter
                        Layout.maximumWidth: view.column
                        horizontalAlignment: Text.AlignHCenter
                        wrapMode: Text.WordWrap
                        text: qsTr("Each check gathers the episodes that appeared since, in the format each show was followed with.")
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.bodySize
                        color: Theme.secondaryText
                    }
                }
                Row {
                    Layout.alignment: Qt.AlignHCenter
                    spacing: 6
                    TextButton {
                        objectName: "importShowsButton"
                        text: qsTr("Import\u2026")
                        accessibleName: qsTr("Import shows to follow from an OPML file")
                        onClicked: pane.choose(false)
                    }
                    TextButton {
                        objectName: "exportShowsButton"
                        visible: Following.count > 0
                        text: qsTr("Export\u2026")
                        accessibleName: qsTr("Export the shows you follow as an OPML file")
                        onClicked: pane.choose(true)
                    }
                }
                // How an import or export went, or why it could not.
                Text {
                    objectName: "followingNotice"
                    readonly property string message: [Following.problem, Following.notice, pane.chooserProblem].filter(t => t.length > 0).join("\n")
                    visible: message.length > 0
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.WordWrap
                    text: message
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.smallSize
                    color: Theme.text
                }
                GlassPanel {
                    objectName: "noShows"
                    visible: Following.count === 0
                    Layout.fillWidth: true
                    Layout.preferredHeight: empty.implicitHeight + 80
                    weight: 0.42
                    ColumnLayout {
                        id: empty
                        anchors.centerIn: parent
                        width: Math.min(implicitWidth, view.column - 48)
                        spacing: 12
                        Symbol {
                            Layout.alignment: Qt.AlignHCenter
                            name: "dot.radiowaves.left.and.right"
                            size: 22
                            color: Theme.tertiaryText
                        }
                        Text {
                            Layout.alignment: Qt.AlignHCenter
                            text: qsTr("You follow no shows yet")
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.bodySize
                            font.weight: Font.Medium
                            color: Theme.text
                        }
                        Text {
                            Layout.alignment: Qt.AlignHCenter
                            Layout.maximumWidth: view.column - 48
                            horizontalAlignment: Text.AlignHCenter
                            wrapMode: Text.WordWrap
                            text: qsTr("Type a podcast feed in Get and turn on Follow.")
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.smallSize
                            color: Theme.secondaryText
                        }
                    }
                }
                RowLayout {
                    visible: Following.count > 0
                    Layout.fillWidth: true
                    spacing: 12
                    CardHeader {
                        objectName: "showsHeader"
                        Layout.fillWidth: true
                        title: qsTr("Followed shows")
                        badge: String(Following.count)
                        symbol: "dot.radiowaves.left.and.right"
                    }
                    AccentButton {
                        objectName: "checkShowsButton"
                        text: Gathering.checkingShows ? qsTr("Checking\u2026") : qsTr("Check now")
                        accessibleName: qsTr("Check every followed show now")
                        enabled: !Gathering.checkingShows
                        opacity: enabled ? 1 : 0.45
                        onClicked: if (enabled) Gathering.checkShows()
                    }
                }
            }
        }
        delegate: Item {
            id: row
            required property string title
            required property string address
            required property string facts
            required property string status
            required property bool failed
            required property int index
            width: view.width
            height: 76
            GlassPanel {
                x: (parent.width - width) / 2
                width: view.column
                height: 76
                weight: 0.48
                corner: 14
                RowLayout {
                    anchors.fill: parent
                    anchors.margins: 14
                    spacing: 12
                    Symbol {
                        Layout.alignment: Qt.AlignTop
                        Layout.topMargin: 2
                        name: row.failed ? "exclamationmark.triangle.fill" : "dot.radiowaves.left.and.right"
                        size: 14
                        color: Theme.accent
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 3
                        RowLayout {
                            Layout.fillWidth: true
                            spacing: 10
                            Text {
                                objectName: "showTitle"
                                Layout.fillWidth: true
                                text: row.title
                                textFormat: Text.PlainText
                                font.pixelSize: Theme.bodySize
                                font.weight: Font.Medium
                                color: Theme.text
                                elide: Text.ElideRight
                                maximumLineCount: 1
                            }
                            Text {
                                text: row.facts
                                textFormat: Text.PlainText
                                font.pixelSize: Theme.tagSize
                                font.weight: Font.Medium
                                color: Theme.secondaryText
                            }
                        }
                        Text {
                            Layout.fillWidth: true
                            text: row.address
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.captionSize
                            color: Theme.secondaryText
                            elide: Text.ElideMiddle
                            maximumLineCount: 1
                        }
                        Text {
                            objectName: "showStatus"
                            Layout.fillWidth: true
                            text: row.status
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.captionSize
                            color: row.failed ? Theme.text : Theme.secondaryText
                            elide: Text.ElideRight
                            maximumLineCount: 1
                        }
                    }
                    TextButton {
                        objectName: "unfollowButton"
                        text: qsTr("Unfollow")
                        accessibleName: qsTr("Unfollow %1").arg(row.title)
                        onActiveFocusChanged: if (activeFocus) view.positionViewAtIndex(row.index, ListView.Contain)
                        onClicked: Following.unfollow(row.address)
                    }
                }
            }
        }
        footer: Item { width: view.width; height: 32 }
    }
}
