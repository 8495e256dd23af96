import QtQuick
import QtQuick.Layouts
import Tovel

// A settings card: glass padded 20, a header, then whatever the card holds, aligned leading.
GlassPanel {
    id: root
    property string title
    property string badge
    property string symbol: "gearshape"
    default property alias content: body.data

    Layout.fillWidth: true
    Layout.preferredHeight: body.implicitHeight + header.implicitHeight + 14 + 40
    weight: 0.52

    CardHeader {
        id: header
        x: 20
        y: 20
        width: parent.width - 40
        title: root.title
        badge: root.badge
        symbol: root.symbol
    }
    ColumnLayout {
        id: body
        x: 20
        y: header.y + header.height + 14
        width: parent.width - 40
        spacing: 12
    }
}
