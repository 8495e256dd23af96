import QtQuick
import QtQuick.Controls
import Tovel

// A pop-up list on a capsule, drawn like the rest of the window in either scheme. Assistive technology
// reads it with its choice, "Format: MP3".
ComboBox {
    id: root
    property string label
    Accessible.name: qsTr("%1: %2").arg(label).arg(displayText)
    implicitHeight: 34
    font.pixelSize: Theme.bodySize
    opacity: enabled ? 1 : 0.45
    activeFocusOnTab: true

    background: Rectangle {
        radius: height / 2
        color: Theme.fieldFill
        border.width: root.visualFocus ? 2 : 1
        border.color: root.visualFocus ? Theme.accent : Theme.hairline
    }
    contentItem: Text {
        leftPadding: 14
        rightPadding: 28
        text: root.displayText
        textFormat: Text.PlainText
        font: root.font
        color: Theme.text
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    indicator: Canvas {
        x: root.width - width - 13
        y: (root.height - height) / 2
        width: 9
        height: 6
        property color tone: Theme.secondaryText
        onToneChanged: requestPaint()
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            ctx.strokeStyle = tone
            ctx.lineWidth = 1.6
            ctx.lineCap = "round"
            ctx.beginPath()
            ctx.moveTo(1, 1)
            ctx.lineTo(width / 2, height - 1)
            ctx.lineTo(width - 1, 1)
            ctx.stroke()
        }
    }
    delegate: ItemDelegate {
        required property int index
        required property var modelData
        width: ListView.view ? ListView.view.width : root.width
        height: 30
        highlighted: root.highlightedIndex === index
        contentItem: Text {
            leftPadding: 8
            text: modelData
            textFormat: Text.PlainText
            font.pixelSize: Theme.bodySize
            font.weight: root.currentIndex === index ? Font.DemiBold : Font.Normal
            color: Theme.text
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            radius: 8
            color: highlighted ? Theme.highlight : "transparent"
        }
    }
    popup: Popup {
        y: root.height + 4
        width: Math.max(root.width, 140)
        padding: 5
        implicitHeight: contentItem.implicitHeight + 10
        background: Rectangle {
            radius: 12
            color: Theme.popupFill
            border.width: 1
            border.color: Theme.hairline
        }
        contentItem: ListView {
            implicitHeight: contentHeight
            clip: true
            model: root.popup.visible ? root.delegateModel : null
            currentIndex: root.highlightedIndex
        }
    }
}
