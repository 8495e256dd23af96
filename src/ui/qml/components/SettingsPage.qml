import QtQuick
import QtQuick.Layouts
import Tovel

// The frame every settings pane shares: a scrolling column, centred, at most 820 wide, headline and
// subline first, then cards 12 apart.
Flickable {
    id: root
    property string headline
    property string subline
    default property alias cards: column.data

    contentWidth: width
    contentHeight: column.implicitHeight + 26 + 40
    boundsBehavior: Flickable.StopAtBounds
    clip: true

    ColumnLayout {
        id: column
        y: 26
        x: (root.width - width) / 2
        width: Math.min(820, root.width - 64)
        spacing: 12

        Text {
            Layout.alignment: Qt.AlignHCenter
            text: root.headline
            textFormat: Text.PlainText
            font.pixelSize: Theme.displaySize
            font.weight: Font.DemiBold
            color: Theme.text
        }
        Text {
            Layout.alignment: Qt.AlignHCenter
            Layout.bottomMargin: 10
            text: root.subline
            textFormat: Text.PlainText
            font.pixelSize: Theme.bodySize
            color: Theme.secondaryText
        }
    }
}
