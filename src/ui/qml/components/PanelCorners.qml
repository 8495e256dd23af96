import QtQuick

// Rounds a panel that sits on a plain backdrop by painting the backdrop over its corners.
// Cheaper than a layer mask, and it draws on every scene-graph backend.
Canvas {
    id: root
    property real corner: 22
    property color backdrop: Theme.backdrop

    onCornerChanged: requestPaint()
    onBackdropChanged: requestPaint()
    onWidthChanged: requestPaint()
    onHeightChanged: requestPaint()

    onPaint: {
        const ctx = getContext("2d")
        ctx.reset()
        const r = corner, w = width, h = height
        ctx.fillStyle = backdrop
        ctx.beginPath()
        // Each corner: the square minus its quarter disc.
        ctx.moveTo(0, 0); ctx.lineTo(r, 0); ctx.arc(r, r, r, -Math.PI / 2, Math.PI, true); ctx.closePath()
        ctx.moveTo(w, 0); ctx.lineTo(w, r); ctx.arc(w - r, r, r, 0, -Math.PI / 2, true); ctx.closePath()
        ctx.moveTo(w, h); ctx.lineTo(w - r, h); ctx.arc(w - r, h - r, r, Math.PI / 2, 0, true); ctx.closePath()
        ctx.moveTo(0, h); ctx.lineTo(0, h - r); ctx.arc(r, h - r, r, Math.PI, Math.PI / 2, true); ctx.closePath()
        ctx.fill()
    }
}
