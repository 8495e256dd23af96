import QtQuick
import QtQuick.Layouts
import Tovel

// One job on its way to a file. Everything binds to the job's own properties, so the card follows
// it live and a tick of progress repaints this card alone.
GlassPanel {
    id: root
    required property QtObject job
    weight: 0.5
    implicitHeight: column.implicitHeight + 36

    readonly property bool active: ["waiting", "resolving", "fetching", "converting", "retrying"].indexOf(job.phaseName) >= 0
    readonly property bool saved: job.phaseName === "done" && job.output.toString().length > 0

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
                    text: root.job.origin
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.captionSize
                    color: Theme.tertiaryText
                    elide: Text.ElideRight
                    maximumLineCount: 1
                }
            }
            TextButton {
                objectName: "cancelButton"
                visible: root.active
                text: qsTr("Cancel")
                onClicked: Gathering.cancel(root.job)
            }
            // Saved by an earlier gathering: it can be fetched and made again, as a new file.
            TextButton {
                objectName: "gatherAgainButton"
                visible: root.job.alreadySaved
                text: qsTr("Gather again")
                onClicked: Gathering.gatherAgain(root.job)
            }
            TextButton {
                objectName: "showButton"
                visible: root.saved
                text: qsTr("Show")
                onClicked: Desktop.reveal(root.job.output)
            }
            TextButton {
                objectName: "playButton"
                visible: root.saved
                text: qsTr("Play")
                onClicked: Desktop.open(root.job.output)
            }
        }
        // A failure says why, in full.
        Text {
            Layout.fillWidth: true
            visible: root.job.phaseName === "failed"
            text: root.job.phaseLabel
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: Theme.smallSize
            color: Theme.secondaryText
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
