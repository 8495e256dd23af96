import QtQuick
import QtQuick.Layouts
import Tovel

// What Tovel runs on: the converter, the optional web engine, the manifest, updates and crash reports.
// Updates, the schedule of the followed shows and Diagnostics sit here too: like the rest of this pane
// they are about the program itself, not about how it looks.
Item {
    id: pane
    objectName: "enginePane"
    readonly property string title: qsTr("Engine")

    EngineReport {
        id: report
        objectName: "engineReport"
    }
    // Kept between visits: each visit looks at the tools and reports afresh.
    onVisibleChanged: if (visible) {
        report.refresh()
        Following.refreshSchedule()
    }
    readonly property QtObject web: report.web
    readonly property QtObject updater: report.updater

    // The yt-dlp chooser, made the first time "Choose…" is pressed; null while it could not be.
    property QtObject chooser: null
    // Why the chooser cannot open, in a sentence; empty while it can.
    property string chooserProblem: ""

    // The cause in a QML error text: its last line, without the file and line it points at.
    function errorCause(text) {
        const lines = text.split("\n").filter(line => line.length > 0)
        return lines[lines.length - 1].replace(/^\S+:\d+(:\d+)? /, "")
    }

    // Makes the chooser; on failure, says why. Qt's own dialog is checked too: opening it would crash
    // where a module it needs is missing.
    function chooserError() {
        const component = Qt.createComponent("WebEngineChooser.qml")
        if (component.status !== Component.Ready)
            return errorCause(component.errorString())
        const problem = report.fileDialogProblem()
        if (problem.length > 0)
            return problem
        pane.chooser = component.createObject(pane, { objectName: "webEngineChooser" })
        pane.chooser.accepted.connect(() => report.chooseWebEngine(pane.chooser.selectedFile))
        return ""
    }

    function openChooser() {
        if (!chooser) {
            const error = chooserError()
            if (error.length > 0) {
                console.warn("The yt-dlp chooser cannot open:", error)
                chooserProblem = qsTr("The file chooser can't open here (%1). Type the path to yt-dlp in the field, or press Find.").arg(error)
                return
            }
            chooserProblem = ""
        }
        chooser.open()
    }

    SettingsPage {
        anchors.fill: parent
        headline: qsTr("Under the hood.")
        subline: qsTr("What Tovel runs on.")

        SettingsCard {
            title: qsTr("Core")
            badge: report.converterPresent ? qsTr("Ready") : qsTr("Missing")
            symbol: report.converterPresent ? "waveform" : "exclamationmark.triangle.fill"
            Text {
                Layout.fillWidth: true
                text: qsTr("Tovel reads podcast feeds, direct media links, open archives, and local files. Those need nothing beyond the bundled converter.")
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.smallSize
                color: Theme.secondaryText
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 15
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Converter"); value: report.converterPresent ? qsTr("Present") : qsTr("Missing") }
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Source"); value: report.converterBundled ? qsTr("Bundled") : qsTr("System") }
                Stat { objectName: "licenceStat"; Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Licence"); value: report.license }
            }
        }

        SettingsCard {
            title: qsTr("Web engine")
            badge: qsTr("Optional")
            symbol: "globe"
            Text {
                Layout.fillWidth: true
                text: qsTr("Tovel can hand other web links to yt-dlp, if you've installed it yourself. Tovel doesn't include, download or update it. You're responsible for what you download with it.")
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.smallSize
                color: Theme.secondaryText
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 15
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: "yt-dlp"; value: pane.web.installed ? qsTr("Found") : qsTr("Not found") }
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Script runtime"); value: report.runtimeFound ? qsTr("Found") : qsTr("Not found") }
                Item { Layout.fillWidth: true; Layout.preferredWidth: 1 }
            }
            Toggle {
                objectName: "webEngineToggle"
                text: qsTr("Use the web engine for other links")
                checked: pane.web.enabled
                onToggled: on => pane.web.enabled = on
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 10
                PillField {
                    Layout.fillWidth: true
                    Layout.preferredHeight: 36
                    TextInput {
                        id: pathField
                        objectName: "webEnginePath"
                        anchors.fill: parent
                        verticalAlignment: TextInput.AlignVCenter
                        text: pane.web.path
                        font.pixelSize: Theme.smallSize
                        color: Theme.text
                        clip: true
                        selectByMouse: true
                        activeFocusOnTab: true
                        Accessible.role: Accessible.EditableText
                        Accessible.name: qsTr("yt-dlp path")
                        // Stored as typed once the user is done with it; the engine then asks the new
                        // program for its version in the background.
                        onEditingFinished: report.typeWebEnginePath(text)
                        Text {
                            anchors.fill: parent
                            verticalAlignment: Text.AlignVCenter
                            visible: pathField.text.length === 0
                            text: qsTr("/path/to/yt-dlp")
                            textFormat: Text.PlainText
                            font: pathField.font
                            color: Theme.tertiaryText
                        }
                    }
                }
                TextButton { objectName: "findButton"; text: qsTr("Find"); onClicked: report.findWebEngine() }
                TextButton { objectName: "chooseButton"; text: qsTr("Choose\u2026"); onClicked: pane.openChooser() }
            }
            Text {
                objectName: "chooserProblem"
                Accessible.role: Accessible.AlertMessage
                Accessible.name: text
                Accessible.ignored: !visible
                Layout.fillWidth: true
                visible: pane.chooserProblem.length > 0
                text: pane.chooserProblem
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: Theme.smallSize
                color: Theme.text
            }
        }

        Text {
            objectName: "manifestLine"
            Layout.fillWidth: true
            Layout.leftMargin: 4
            text: report.manifestLine
            textFormat: Text.PlainText
            font.pixelSize: Theme.smallSize
            color: Theme.secondaryText
        }
        GlassPanel {
            visible: report.manifestNotice.length > 0
            Layout.fillWidth: true
            Layout.preferredHeight: noticeText.implicitHeight + 32
            weight: 0.38
            Text {
                id: noticeText
                x: 16
                y: 16
                width: parent.width - 32
                text: report.manifestNotice
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.smallSize
                color: Theme.text
            }
        }

        SettingsCard {
            title: qsTr("Updates")
            symbol: "arrow.triangle.2.circlepath"
            RowLayout {
                Layout.fillWidth: true
                spacing: 15
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Installed"); value: report.installedVersion }
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Latest"); value: pane.updater.hasUpdate ? pane.updater.availableVersion : "\u2014" }
                Item { Layout.fillWidth: true; Layout.preferredWidth: 1 }
            }
            Text {
                text: qsTr("Update notices are cryptographically signed. Tovel installs nothing on its own.")
                textFormat: Text.PlainText
                font.pixelSize: Theme.captionSize
                color: Theme.tertiaryText
            }
            Toggle {
                objectName: "automaticUpdatesToggle"
                text: qsTr("Check for updates automatically")
                checked: pane.updater.automatic
                onToggled: on => pane.updater.automatic = on
            }
            AccentButton {
                visible: pane.updater.hasUpdate
                text: qsTr("Open download page")
                onClicked: Desktop.open(pane.updater.downloadPage())
            }
        }

        SettingsCard {
            objectName: "scheduleCard"
            title: qsTr("Followed shows")
            badge: String(Following.count)
            symbol: "dot.radiowaves.left.and.right"
            Text {
                Layout.fillWidth: true
                text: qsTr("A systemd timer checks the shows you follow and gathers what is new, even while this window is closed, and tells you what arrived. Nothing runs on a schedule until you turn it on.")
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.smallSize
                color: Theme.secondaryText
            }
            Toggle {
                objectName: "scheduleToggle"
                text: qsTr("Check followed shows every 6 hours")
                checked: Following.schedule === true
                onToggled: on => Following.setSchedule(on)
            }
            Text {
                objectName: "scheduleProblem"
                visible: Following.scheduleProblem.length > 0
                Layout.fillWidth: true
                text: Following.scheduleProblem
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.captionSize
                color: Theme.secondaryText
            }
        }

        SettingsCard {
            title: qsTr("Diagnostics")
            badge: String(report.reportCount)
            symbol: "stethoscope"
            Text {
                Layout.fillWidth: true
                text: report.reportsText
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.smallSize
                color: Theme.secondaryText
            }
            Row {
                spacing: 6
                TextButton { text: qsTr("Show reports"); onClicked: report.showReports() }
                TextButton { objectName: "deleteReports"; text: qsTr("Delete"); onClicked: report.deleteReports() }
            }
        }
    }
}
