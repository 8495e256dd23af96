import QtQuick
import QtQuick.Layouts
import Tovel

// The first-run introduction: what Tovel gathers on its own, the optional web engine, and a summary.
// Finishing stores that it was seen; quitting part-way shows it again from the start next time.
MainPanel {
    id: root
    // Hides the introduction; supplied by the window.
    property var finish: function () {}
    property int step: 0
    readonly property int steps: 4
    readonly property QtObject web: Shell.webEngine

    function advance() {
        if (step >= steps - 1) {
            Shell.finishOnboarding()
            root.finish()
        } else {
            step = step + 1
        }
    }
    function back() { if (step > 0) step = step - 1 }

    component SourceRow: RowLayout {
        id: sourceRow
        property string symbol
        property string title
        property string line
        spacing: 12
        Layout.fillWidth: true
        Rectangle {
            Layout.preferredWidth: 30
            Layout.preferredHeight: 30
            Layout.alignment: Qt.AlignTop
            radius: 9
            color: Theme.hairline
            Symbol { anchors.centerIn: parent; name: sourceRow.symbol; size: 14; color: Theme.accent }
        }
        ColumnLayout {
            spacing: 2
            Layout.fillWidth: true
            Text { text: sourceRow.title; textFormat: Text.PlainText; font.pixelSize: Theme.bodySize; font.weight: Font.DemiBold; color: Theme.text }
            Text { text: sourceRow.line; textFormat: Text.PlainText; font.pixelSize: Theme.smallSize; color: Theme.secondaryText; Layout.fillWidth: true; wrapMode: Text.WordWrap }
        }
    }

    FocusScope {
        id: scope
        anchors.fill: parent
        focus: true
        Keys.onReturnPressed: root.advance()
        Keys.onEnterPressed: root.advance()

        ColumnLayout {
            id: frame
            anchors.centerIn: parent
            width: Math.min(parent.width - 80, 620)
            spacing: 26

            // The steps share one place and cross-fade into each other.
            Item {
                Layout.fillWidth: true
                Layout.preferredHeight: Math.max(welcome.height, sources.height, websites.height, summary.height)
                Item {
                    id: welcome
                    width: parent.width
                    height: welcomeColumn.implicitHeight
                    opacity: root.step === 0 ? 1 : 0
                    visible: opacity > 0
                    Behavior on opacity { NumberAnimation { duration: 250; easing.type: Easing.InOutQuad } }
                    ColumnLayout {
                        id: welcomeColumn
                        width: parent.width
                        spacing: 14
                        Image {
                            Layout.alignment: Qt.AlignHCenter
                            Layout.preferredWidth: 96
                            Layout.preferredHeight: 96
                            source: Appearance.iconSource
                            sourceSize: Qt.size(192, 192)
                            smooth: true
                            mipmap: true
                        }
                        Text {
                            Layout.fillWidth: true
                            horizontalAlignment: Text.AlignHCenter
                            text: qsTr("Gather what's scattered.")
                            Accessible.role: Accessible.Heading
                            Accessible.name: text
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.headlineSize
                            font.weight: Font.Bold
                            color: Theme.text
                        }
                        Text {
                            Layout.fillWidth: true
                            horizontalAlignment: Text.AlignHCenter
                            wrapMode: Text.WordWrap
                            text: qsTr("Tovel collects audio and video from the web and from your computer, and saves it in the format you want.")
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.titleSize
                            color: Theme.secondaryText
                        }
                    }
                }
                GlassPanel {
                    id: sources
                    width: parent.width
                    height: sourcesColumn.implicitHeight + 40
                    opacity: root.step === 1 ? 1 : 0
                    visible: opacity > 0
                    Behavior on opacity { NumberAnimation { duration: 250; easing.type: Easing.InOutQuad } }
                    weight: 0.52
                    ColumnLayout {
                        id: sourcesColumn
                        x: 20
                        y: 20
                        width: parent.width - 40
                        spacing: 14
                        CardHeader { Layout.fillWidth: true; title: qsTr("What Tovel reads on its own"); symbol: "square.stack" }
                        SourceRow { symbol: "dot.radiowaves.left.and.right"; title: qsTr("Podcast feeds"); line: qsTr("Paste a show's RSS link.") }
                        SourceRow { symbol: "link"; title: qsTr("Direct media links"); line: qsTr("Any link straight to an audio or video file.") }
                        SourceRow { symbol: "building.columns"; title: qsTr("Internet Archive and Wikimedia"); line: qsTr("Recordings from open archives.") }
                        SourceRow { symbol: "folder"; title: qsTr("Files and folders on your computer"); line: qsTr("Drop them on the window.") }
                    }
                }
                GlassPanel {
                    id: websites
                    width: parent.width
                    height: websitesColumn.implicitHeight + 40
                    opacity: root.step === 2 ? 1 : 0
                    visible: opacity > 0
                    Behavior on opacity { NumberAnimation { duration: 250; easing.type: Easing.InOutQuad } }
                    weight: 0.52
                    ColumnLayout {
                        id: websitesColumn
                        x: 20
                        y: 20
                        width: parent.width - 40
                        spacing: 14
                        CardHeader { Layout.fillWidth: true; title: qsTr("Other websites"); badge: qsTr("Optional"); symbol: "globe" }
                        Text {
                            Layout.fillWidth: true
                            wrapMode: Text.WordWrap
                            text: qsTr("For links from other websites, Tovel can use yt-dlp if you've installed it yourself. Tovel doesn't include it. You're responsible for downloading only what you have the right to.")
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.smallSize
                            color: Theme.secondaryText
                        }
                        RowLayout {
                            Layout.fillWidth: true
                            spacing: 15
                            Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: "yt-dlp"; value: root.web.installed ? qsTr("Found") : qsTr("Not found") }
                            Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Status"); value: root.web.enabled ? qsTr("On") : qsTr("Off") }
                        }
                        Toggle {
                            objectName: "onboardingWebToggle"
                            text: qsTr("Use yt-dlp for other websites")
                            checked: root.web.enabled
                            onToggled: on => root.web.enabled = on
                        }
                        Text {
                            Layout.fillWidth: true
                            wrapMode: Text.WordWrap
                            text: qsTr("Not installed? You can skip this and turn it on later in Engine settings.")
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.captionSize
                            color: Theme.tertiaryText
                        }
                    }
                }
                Item {
                    id: summary
                    width: parent.width
                    height: summaryColumn.implicitHeight
                    opacity: root.step === 3 ? 1 : 0
                    visible: opacity > 0
                    Behavior on opacity { NumberAnimation { duration: 250; easing.type: Easing.InOutQuad } }
                    ColumnLayout {
                        id: summaryColumn
                        width: parent.width
                        spacing: 16
                        Rectangle {
                            Layout.alignment: Qt.AlignHCenter
                            Layout.preferredWidth: 52
                            Layout.preferredHeight: 52
                            radius: 26
                            color: Theme.accent
                            Symbol { anchors.centerIn: parent; name: "checkmark"; size: 24; color: Theme.ink }
                        }
                        Text {
                            Layout.fillWidth: true
                            horizontalAlignment: Text.AlignHCenter
                            text: qsTr("You're set.")
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.headlineSize
                            font.weight: Font.Bold
                            color: Theme.text
                        }
                        RowLayout {
                            Layout.alignment: Qt.AlignHCenter
                            spacing: 40
                            Stat { label: qsTr("Saves to"); value: "Downloads" }
                            Stat { label: qsTr("Formats"); value: "MP3 \u00b7 M4A \u00b7 MP4" }
                        }
                    }
                }
            }

            // One dot a step; the current one is the accent, drawn long.
            Row {
                objectName: "stepDots"
                Layout.alignment: Qt.AlignHCenter
                Layout.topMargin: -14
                spacing: 7
                Repeater {
                    model: root.steps
                    delegate: Rectangle {
                        required property int index
                        height: 7
                        width: index === root.step ? 22 : 7
                        radius: 3.5
                        color: index === root.step ? Theme.accent : Theme.hairline
                        Behavior on width { NumberAnimation { duration: 200; easing.type: Easing.OutCubic } }
                        Behavior on color { ColorAnimation { duration: 200; easing.type: Easing.OutCubic } }
                    }
                }
            }

            RowLayout {
                Layout.alignment: Qt.AlignHCenter
                spacing: 14
                TextButton {
                    objectName: "backButton"
                    visible: root.step > 0
                    text: qsTr("Back")
                    onClicked: root.back()
                }
                AccentButton {
                    id: primary
                    objectName: "startGathering"
                    text: root.step >= root.steps - 1 ? qsTr("Start gathering") : qsTr("Continue")
                    focus: true
                    onClicked: root.advance()
                }
            }
        }
    }
}
