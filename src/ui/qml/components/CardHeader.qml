import QtQuick
import QtQuick.Layouts
import Tovel

// Accent tile with a symbol, a title, and a small badge on the trailing side.
RowLayout {
    id: root
    property string title
    property string badge
    property string symbol: "waveform"

    spacing: 10

    Rectangle {
        Layout.preferredWidth: 24
        Layout.preferredHeight: 24
        radius: 7
        color: Theme.accent
        Symbol {
            anchors.centerIn: parent
            name: root.symbol
            size: 11
            color: Qt.rgba(0, 0, 0, 0.8)
        }
    }
    Text {
        text: root.title
        textFormat: Text.PlainText
        font.pixelSize: 14
        font.weight: Font.Medium
        color: Theme.text
        elide: Text.ElideRight
        Layout.fillWidth: true
    }
    Rectangle {
        visible: root.badge.length > 0
        Layout.preferredWidth: badgeText.implicitWidth + 18
        Layout.preferredHeight: badgeText.implicitHeight + 6
        radius: height / 2
        // On light glass the mint needs a deep capsule to stay legible.
        color: Theme.dark ? Qt.rgba(0.35, 0.95, 0.7, 0.16) : Qt.rgba(0.03, 0.22, 0.15, 0.82)
        Text {
            id: badgeText
            anchors.centerIn: parent
            text: root.badge
            textFormat: Text.PlainText
            font.pixelSize: 10
            font.weight: Font.DemiBold
            color: Qt.rgba(0.35, 0.95, 0.7, 1)
        }
    }
}
