import QtQuick
import QtQuick.Dialogs
import QtQuick.Layouts
import Tovel

// What Tovel runs on: the converter, the optional web engine, the manifest, updates and crash reports.
// Updates and Diagnostics sit here too: like the rest of this pane they are about the program itself,
// not about how it looks, and the rail stays at four panes.
Item {
    id: pane
    objectName: "enginePane"
    readonly property string title: "Engine"

    EngineReport {
        id: report
        objectName: "engineReport"
    }
    readonly property QtObject web: report.web
    readonly property QtObject updater: report.updater

    FileDialog {
        id: chooser
        title: "Choose yt-dlp"
        fileMode: FileDialog.OpenFile
        onAccepted: report.chooseWebEngine(selectedFile)
    }

    SettingsPage {
        anchors.fill: parent
        headline: "Under the hood."
        subline: "What Tovel runs on."

        SettingsCard {
            title: "Core"
            badge: report.converterPresent ? "Ready" : "Missing"
            symbol: report.converterPresent ? "waveform" : "exclamationmark.triangle.fill"
            Text {
                Layout.fillWidth: true
                text: "Tovel reads podcast feeds, direct media links, open archives, and local files. Those need nothing beyond the bundled converter."
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                font.pixelSize: 12
                color: Theme.secondaryText
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 15
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: "Converter"; value: report.converterPresent ? "Present" : "Missing" }
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: "Source"; value: report.converterBundled ? "Bundled" : "System" }
                Stat { objectName: "licenceStat"; Layout.fillWidth: true; Layout.preferredWidth: 1; label: "Licence"; value: report.license }
            }
        }

        SettingsCard {
            title: "Web engine"
            badge: "Optional"
            symbol: "globe"
            Text {
                Layout.fillWidth: true
                text: "Tovel can hand other web links to yt-dlp, if you've installed it yourself. Tovel doesn't include, download or update it. You're responsible for what you download with it."
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                font.pixelSize: 12
                color: Theme.secondaryText
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 15
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: "yt-dlp"; value: pane.web.installed ? "Found" : "Not found" }
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: "Script runtime"; value: report.runtimeFound ? "Found" : "Not found" }
                Item { Layout.fillWidth: true; Layout.preferredWidth: 1 }
            }
            Toggle {
                objectName: "webEngineToggle"
                text: "Use the web engine for other links"
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
                        font.pixelSize: 12
                        color: Theme.text
                        clip: true
                        selectByMouse: true
                        activeFocusOnTab: true
                        Accessible.role: Accessible.EditableText
                        Accessible.name: "yt-dlp path"
                        // Stored as typed once the user is done with it; the engine then asks the new
                        // program for its version in the background.
                        onEditingFinished: report.typeWebEnginePath(text)
                        Text {
                            anchors.fill: parent
                            verticalAlignment: Text.AlignVCenter
                            visible: pathField.text.length === 0
                            text: "/path/to/yt-dlp"
                            textFormat: Text.PlainText
                            font: pathField.font
                            color: Theme.tertiaryText
                        }
                    }
                }
                TextButton { objectName: "findButton"; text: "Find"; onClicked: report.findWebEngine() }
                TextButton { objectName: "chooseButton"; text: "Choose\u2026"; onClicked: chooser.open() }
            }
        }

        Text {
            objectName: "manifestLine"
            Layout.fillWidth: true
            Layout.leftMargin: 4
            text: report.manifestLine
            textFormat: Text.PlainText
            font.pixelSize: 12
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
                font.pixelSize: 12
                color: Theme.text
            }
        }

        SettingsCard {
            title: "Updates"
            symbol: "arrow.triangle.2.circlepath"
            RowLayout {
                Layout.fillWidth: true
                spacing: 15
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: "Installed"; value: report.installedVersion }
                Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: "Latest"; value: pane.updater.hasUpdate ? pane.updater.availableVersion : "\u2014" }
                Item { Layout.fillWidth: true; Layout.preferredWidth: 1 }
            }
            Text {
                text: "Update notices are cryptographically signed. Tovel installs nothing on its own."
                textFormat: Text.PlainText
                font.pixelSize: 11
                color: Theme.tertiaryText
            }
            Toggle {
                objectName: "automaticUpdatesToggle"
                text: "Check for updates automatically"
                checked: pane.updater.automatic
                onToggled: on => pane.updater.automatic = on
            }
            AccentButton {
                visible: pane.updater.hasUpdate
                text: "Open download page"
                onClicked: Desktop.open(pane.updater.downloadPage())
            }
        }

        SettingsCard {
            title: "Diagnostics"
            badge: String(report.reportCount)
            symbol: "stethoscope"
            Text {
                Layout.fillWidth: true
                text: report.reportsText
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                font.pixelSize: 12
                color: Theme.secondaryText
            }
            Row {
                spacing: 6
                TextButton { text: "Show reports"; onClicked: report.showReports() }
                TextButton { objectName: "deleteReports"; text: "Delete"; onClicked: report.deleteReports() }
            }
        }
    }
}
