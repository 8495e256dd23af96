import QtQuick
import Tovel

// Near-black card with a many-coloured outline running corner to corner.
Item {
    id: root
    default property alias content: body.data

    Canvas {
        id: canvas
        anchors.fill: parent
        onWidthChanged: requestPaint()
        onHeightChanged: requestPaint()
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            ctx.fillStyle = Theme.accentCardFill
            ctx.beginPath()
            ctx.roundedRect(0, 0, width, height, 18, 18)
            ctx.fill()
            const gradient = ctx.createLinearGradient(0, 0, width, height)
            gradient.addColorStop(0.0, Theme.accent)
            gradient.addColorStop(0.35, Theme.rimRose)
            gradient.addColorStop(0.7, Theme.rimViolet)
            gradient.addColorStop(1.0, Theme.rimCyan)
            ctx.strokeStyle = gradient
            ctx.lineWidth = 1.5
            // Inset by half a point; the stroke straddles the path.
            ctx.beginPath()
            ctx.roundedRect(0.5 + 0.75, 0.5 + 0.75, width - 2.5, height - 2.5, 17, 17)
            ctx.stroke()
        }
    }
    Item {
        id: body
        anchors.fill: parent
    }
}
