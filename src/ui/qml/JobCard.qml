import QtQuick
import QtQuick.Layouts
import QtQuick.Window
import Tovel

// One job on its way to a file. Everything binds to the job's own properties, so the card follows
// it live and a tick of progress repaints this card alone.
GlassPanel {
    id: root
    required property QtObject job
    weight: 0.5
    implicitHeight: column.implicitHeight + 36

    // Tab runs through a card's buttons, then on to the next card on screen (not the next one made):
    // the list moves focus between cards when a card says focus is leaving it.
    signal leaving(bool forward)
    function focusEdge(first) {
        const stops = [cancelButton, againButton, showButton, playButton, notice.copyButton].filter(b => b.visible)
        if (stops.length === 0)
            return false
        stops[first ? 0 : stops.length - 1].forceActiveFocus(first ? Qt.TabFocusReason : Qt.BacktabFocusReason)
        return true
    }
    function edgeHasFocus(first) {
        const stops = [cancelButton, againButton, showButton, playButton, notice.copyButton].filter(b => b.visible)
        return stops.length > 0 && stops[first ? 0 : stops.length - 1].activeFocus
    }
    // Called by each of the card's buttons on Tab (forward) or Shift+Tab: true when focus left the card.
    function tab(forward) {
        if (!edgeHasFocus(!forward))
            return false
        leaving(forward)
        return true
    }

    readonly property bool active: ["waiting", "resolving", "fetching", "converting", "retrying"].indexOf(job.phaseName) >= 0
    readonly property bool saved: job.phaseName === "done" && job.output.toString().length > 0
    // The saved file's own name, which its buttons act on.
    readonly property string fileName: decodeURIComponent(job.output.toString().split("/").pop())

    // How each job ends is said aloud as it happens, wherever focus is.
    readonly property bool finished: job.finished
    onFinishedChanged: {
        const window = Window.window
        if (finished && window && window.announce)
            //: A job's title and how it ended, e.g. "Episode 12: Saved".
            window.announce(qsTr("%1: %2").arg(job.title).arg(job.phaseName === "failed" ? job.phaseLabel : job.statusWord))
    }

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 18
        spacing: 13

        RowLayout {
            Layout.fillWidth: true
            spacing: 12
            ProgressBadge {
                objectName: "progressBadge"
                progress: root.job.progress
                done: root.job.phaseName === "done"
            }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                Text {
                    objectName: "jobTitle"
                    Layout.fillWidth: true
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                    text: root.job.title
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.bodySize
                    font.weight: Font.Medium
                    color: Theme.text
                    elide: Text.ElideRight
                    maximumLineCount: 1
                }
                Text {
                    Layout.fillWidth: true
                    text: root.job.place
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.captionSize
                    color: Theme.tertiaryText
                    elide: Text.ElideRight
                    maximumLineCount: 1
                }
            }
            TextButton {
                id: cancelButton
                tabHandler: root.tab
                objectName: "cancelButton"
                visible: root.active
                text: qsTr("Cancel")
                accessibleName: qsTr("Cancel %1").arg(root.job.title)
                onClicked: Gathering.cancel(root.job)
            }
            // Saved by an earlier gathering: it can be fetched and made again, as a new file.
            TextButton {
                id: againButton
                tabHandler: root.tab
                objectName: "gatherAgainButton"
                visible: root.job.alreadySaved
                text: qsTr("Gather again")
                accessibleName: qsTr("Gather %1 again").arg(root.job.title)
                onClicked: Gathering.gatherAgain(root.job)
            }
            TextButton {
                id: showButton
                tabHandler: root.tab
                objectName: "showButton"
                visible: root.saved
                text: qsTr("Show")
                accessibleName: qsTr("Show %1").arg(root.fileName)
                onClicked: {
                    notice.clear()
                    Desktop.reveal(root.job.output)
                }
            }
            TextButton {
                id: playButton
                tabHandler: root.tab
                objectName: "playButton"
                visible: root.saved
                text: qsTr("Play")
                accessibleName: qsTr("Play %1").arg(root.fileName)
                onClicked: {
                    notice.clear()
                    Desktop.open(root.job.output)
                }
            }
        }
        // Where Show or Play could not be done, why, and the path to copy.
        ActionNotice {
            id: notice
            Layout.fillWidth: true
            target: root.job.output
            about: root.fileName
            tabHandler: root.tab
        }
        // A failure says why, in full.
        Text {
            Layout.fillWidth: true
            objectName: "failureText"
            visible: root.job.phaseName === "failed"
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            Accessible.ignored: !visible
            text: root.job.phaseLabel
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: Theme.smallSize
            color: Theme.secondaryText
        }
        // What is done to the sound, and once saved how much shorter the file came out.
        Text {
            objectName: "soundText"
            Layout.fillWidth: true
            visible: text.length > 0
            text: root.job.soundText
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: Theme.smallSize
            color: Theme.secondaryText
            Accessible.role: Accessible.StaticText
            Accessible.name: qsTr("Sound: %1").arg(text)
            Accessible.ignored: !visible
        }
        // A saved file that is less than its source claims says so.
        Text {
            objectName: "warningText"
            Layout.fillWidth: true
            visible: root.job.warning.length > 0
            text: root.job.warning
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: Theme.smallSize
            color: Theme.text
            Accessible.role: Accessible.AlertMessage
            Accessible.name: text
            Accessible.ignored: !visible
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 11
            Stat { objectName: "statusStat"; Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Status"); value: root.job.statusWord }
            Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Format"); value: root.job.formatLabel }
            Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Quality"); value: root.job.qualityText }
            Stat { objectName: "progressStat"; Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Progress"); value: root.job.progressText; trailing: true }
        }
    }
}
