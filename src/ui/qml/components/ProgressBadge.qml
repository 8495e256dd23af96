import QtQuick
import Tovel

// A job's progress: an accent arc from the top, clockwise, in a faint ring; a checkmark when done.
Item {
    id: root
    property real progress: 0
    property bool done: false

    implicitWidth: 24
    implicitHeight: 24

    Canvas {
        id: ring
        anchors.fill: parent
        property real fraction: root.done ? 0 : Math.max(0, Math.min(1, root.progress))
        property color track: Theme.progressTrack
        onFractionChanged: requestPaint()
        onTrackChanged: requestPaint()
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            const c = width / 2, r = width / 2 - 1
            ctx.lineWidth = 2
            ctx.strokeStyle = track
            ctx.beginPath()
            ctx.arc(c, c, r, 0, 2 * Math.PI)
            ctx.stroke()
            if (fraction > 0) {
                ctx.strokeStyle = Theme.accent
                ctx.lineCap = "round"
                ctx.beginPath()
                ctx.arc(c, c, r, -Math.PI / 2, -Math.PI / 2 + fraction * 2 * Math.PI)
                ctx.stroke()
            }
        }
    }
    Symbol {
        anchors.centerIn: parent
        visible: root.done
        name: "checkmark"
        size: 11
        color: Theme.accent
    }
}
