import QtQuick
import Tovel

// A label over a figure, leading or trailing; it takes the width it is given.
Item {
    id: root
    property string label
    property string value
    property bool trailing: false

    // Read as one line, "Status: Saved".
    Accessible.role: Accessible.StaticText
    Accessible.name: qsTr("%1: %2").arg(label).arg(value)
    Accessible.ignored: !visible

    implicitWidth: Math.max(labelText.implicitWidth, valueText.implicitWidth)
    implicitHeight: labelText.implicitHeight + 3 + valueText.implicitHeight

    Text {
        id: labelText
        anchors.top: parent.top
        width: root.width
        horizontalAlignment: root.trailing ? Text.AlignRight : Text.AlignLeft
        text: root.label
        Accessible.ignored: true
        textFormat: Text.PlainText
        font.pixelSize: Theme.smallSize
        color: Theme.secondaryText
        elide: Text.ElideRight
    }
    Text {
        id: valueText
        anchors.top: labelText.bottom
        anchors.topMargin: 3
        width: root.width
        horizontalAlignment: root.trailing ? Text.AlignRight : Text.AlignLeft
        text: root.value
        Accessible.ignored: true
        textFormat: Text.PlainText
        font.pixelSize: Theme.figureSize
        font.weight: Font.Medium
        color: Theme.text
        elide: Text.ElideRight
    }
}
