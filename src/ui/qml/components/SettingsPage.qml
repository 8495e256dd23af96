import QtQuick
import QtQuick.Layouts
import QtQuick.Window
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

    // Whatever takes focus in the page is scrolled into view, with a little room around it.
    Connections {
        target: root.Window.window
        enabled: root.visible
        function onActiveFocusItemChanged() {
            const item = root.Window.window ? root.Window.window.activeFocusItem : null
            let inside = item
            while (inside && inside !== root)
                inside = inside.parent
            if (!inside || item === root)
                return
            const top = item.mapToItem(root.contentItem, 0, 0).y - 16
            const bottom = top + item.height + 32
            if (top < root.contentY)
                root.contentY = Math.max(0, top)
            else if (bottom > root.contentY + root.height)
                root.contentY = Math.max(0, Math.min(root.contentHeight - root.height, bottom - root.height))
        }
    }

    ColumnLayout {
        id: column
        y: 26
        x: (root.width - width) / 2
        width: Math.min(820, root.width - 64)
        spacing: 12

        Text {
            Layout.alignment: Qt.AlignHCenter
            Accessible.role: Accessible.Heading
            Accessible.name: text
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
