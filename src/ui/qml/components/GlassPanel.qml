import QtQuick
import QtQuick.Window
import Qt5Compat.GraphicalEffects
import Tovel

// Frosted card: its own cut of the window's one blurred backdrop (where shader effects run), else a
// translucent fill; then the scheme tint and a hairline. Content goes inside.
Item {
    id: root
    property real weight: 0.5
    property real corner: 18
    readonly property bool dark: Theme.dark
    default property alias content: body.data
    // The scheme's tint over the material, and the hairline around it.
    readonly property color tint: Theme.glassTint(weight)
    readonly property color outline: Theme.glassEdge

    // The window publishes one blurred copy of its background; every panel samples its own region.
    readonly property Item backdrop: Window.window && Window.window.glassBackdrop ? Window.window.glassBackdrop : null
    readonly property bool shaded: GraphicsInfo.api !== GraphicsInfo.Software && GraphicsInfo.api !== GraphicsInfo.Unknown
    readonly property bool frosted: (shaded && backdrop !== null && frost.status === Loader.Ready)
                                    || softened.status === Image.Ready

    Loader {
        id: frost
        anchors.fill: parent
        active: root.shaded && root.backdrop !== null
        sourceComponent: Item {
            ShaderEffectSource {
                id: cut
                anchors.fill: parent
                sourceItem: root.backdrop
                visible: false
                function place() {
                    if (!root.backdrop)
                        return
                    const p = root.mapToItem(root.backdrop, 0, 0)
                    const r = Qt.rect(p.x, p.y, root.width, root.height)
                    if (r !== sourceRect)
                        sourceRect = r
                }
                Component.onCompleted: place()
                // Ancestors may move us (scrolling, resizing); follow them once per frame.
                Connections {
                    target: root.Window.window
                    function onAfterAnimating() { cut.place() }
                }
            }
            Rectangle {
                id: shape
                anchors.fill: parent
                radius: root.corner
                visible: false
            }
            OpacityMask {
                anchors.fill: parent
                source: cut
                maskSource: shape
            }
        }
    }
    // Without shaders: a pre-softened copy of the background, cropped like the background, veiled like it.
    readonly property Item surface: Window.window && Window.window.glassSurface ? Window.window.glassSurface : null
    Image {
        id: softened
        visible: false
        source: !root.shaded && root.surface && root.surface.source.toString().length > 0
                ? "image://backdrop/" + encodeURIComponent(root.surface.source.toString()) : ""
        onStatusChanged: if (status === Image.Ready) canvas.requestPaint()
    }
    Canvas {
        id: canvas
        anchors.fill: parent
        visible: softened.status === Image.Ready && width >= 1 && height >= 1
        property point origin: Qt.point(0, 0)
        function follow() {
            if (!root.surface || !visible)
                return
            const p = root.mapToItem(root.surface, 0, 0)
            if (p.x !== origin.x || p.y !== origin.y) {
                origin = Qt.point(p.x, p.y)
                requestPaint()
            }
        }
        onWidthChanged: requestPaint()
        onHeightChanged: requestPaint()
        onVisibleChanged: follow()
        Component.onCompleted: follow()
        Connections {
            target: root.Window.window
            enabled: canvas.visible
            function onAfterAnimating() { canvas.follow() }
        }
        Connections {
            target: root
            function onDarkChanged() { canvas.requestPaint() }
            function onCornerChanged() { canvas.requestPaint() }
        }
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            const iw = softened.implicitWidth, ih = softened.implicitHeight
            if (!root.surface || iw <= 0 || ih <= 0 || width < 1 || height < 1)
                return
            const bw = root.surface.width, bh = root.surface.height
            const scale = Math.max(bw / iw, bh / ih)
            const ox = (bw - iw * scale) / 2, oy = (bh - ih * scale) / 2
            ctx.beginPath()
            ctx.roundedRect(0, 0, width, height, root.corner, root.corner)
            ctx.clip()
            // Only the part of the panel that lies over the background takes from it (a card scrolled
            // half out of the list reaches past the image's edge).
            let sx = (origin.x - ox) / scale, sy = (origin.y - oy) / scale
            let sw = width / scale, sh = height / scale
            let dx = 0, dy = 0, dw = width, dh = height
            if (sx < 0) { dx = -sx * scale; dw -= dx; sw += sx; sx = 0 }
            if (sy < 0) { dy = -sy * scale; dh -= dy; sh += sy; sy = 0 }
            if (sx + sw > iw) { dw -= (sx + sw - iw) * scale; sw = iw - sx }
            if (sy + sh > ih) { dh -= (sy + sh - ih) * scale; sh = ih - sy }
            if (sw > 0 && sh > 0 && dw > 0 && dh > 0)
                ctx.drawImage(softened, sx, sy, sw, sh, dx, dy, dw, dh)
            ctx.fillStyle = Theme.veil
            ctx.fillRect(0, 0, width, height)
        }
    }
    // Our stand-in for the platform's ultra-thin material; lighter over a real blur.
    Rectangle {
        anchors.fill: parent
        radius: root.corner
        color: root.frosted ? Theme.frostedMaterial : Theme.glassMaterial
    }
    Rectangle {
        anchors.fill: parent
        radius: root.corner
        color: root.tint
    }
    Rectangle {
        anchors.fill: parent
        radius: root.corner
        color: "transparent"
        border.width: 1
        border.color: root.outline
    }
    Item {
        id: body
        anchors.fill: parent
    }
}
