import QtQuick
import QtQuick.Layouts
import Tovel

// Accent tile with a symbol, a title, and a small badge on the trailing side. A heading to assistive
// technology, read with its badge ("Gathered, 3").
RowLayout {
    id: root
    property string title
    property string badge
    property string symbol: "waveform"

    spacing: 10
    Accessible.role: Accessible.Heading
    Accessible.name: badge.length > 0 && badge !== "\u2014" ? qsTr("%1, %2").arg(title).arg(badge) : title
    Accessible.ignored: !visible

    Rectangle {
        Layout.preferredWidth: 24
        Layout.preferredHeight: 24
        radius: 7
        color: Theme.accent
        Symbol {
            anchors.centerIn: parent
            name: root.symbol
            size: 11
            color: Theme.accentGlyph
        }
    }
    Text {
        text: root.title
        textFormat: Text.PlainText
        font.pixelSize: Theme.titleSize
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
        color: Theme.badgeFill
        Text {
            id: badgeText
            anchors.centerIn: parent
            text: root.badge
            textFormat: Text.PlainText
            font.pixelSize: Theme.tagSize
            font.weight: Font.DemiBold
            color: Theme.badgeText
        }
    }
}
