import QtQuick
import QtQuick.Layouts
import Tovel

// Stands in for a pane that is not built yet: its name over a card.
Item {
    id: root
    property string title
    property string symbol: "waveform"
    property string blurb

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: 32
        anchors.rightMargin: 32
        anchors.topMargin: 64
        anchors.bottomMargin: 32
        spacing: 18

        Text {
            text: root.title
            textFormat: Text.PlainText
            font.pixelSize: 30
            font.weight: Font.DemiBold
            color: Theme.text
        }
        Text {
            text: root.blurb
            textFormat: Text.PlainText
            font.pixelSize: 14
            color: Theme.secondaryText
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        GlassPanel {
            Layout.fillWidth: true
            Layout.preferredHeight: 150
            weight: 0.52
            ColumnLayout {
                anchors.fill: parent
                anchors.margins: 18
                spacing: 16
                CardHeader {
                    Layout.fillWidth: true
                    title: root.title
                    badge: "SOON"
                    symbol: root.symbol
                }
                RowLayout {
                    Layout.fillWidth: true
                    spacing: 24
                    Stat { Layout.fillWidth: true; label: "Pane"; value: root.title }
                    Stat { Layout.fillWidth: true; label: "Status"; value: "Coming up"; trailing: true }
                }
            }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 15
            PillField {
                Layout.fillWidth: true
                Row {
                    spacing: 10
                    Symbol {
                        anchors.verticalCenter: parent.verticalCenter
                        name: "link"
                        size: 13
                        color: Theme.secondaryText
                    }
                    Text {
                        text: "Nothing here yet"
                        font.pixelSize: 14
                        color: Theme.secondaryText
                    }
                }
            }
            AccentCard {
                Layout.preferredWidth: 220
                Layout.preferredHeight: 44
                Row {
                    anchors.centerIn: parent
                    spacing: 8
                    Symbol {
                        anchors.verticalCenter: parent.verticalCenter
                        name: "sparkles"
                        size: 13
                        color: Theme.accent
                    }
                    Text {
                        text: "Built step by step"
                        font.pixelSize: 13
                        font.weight: Font.Medium
                        color: "white"
                    }
                }
            }
        }
        Item { Layout.fillHeight: true }
    }
}
