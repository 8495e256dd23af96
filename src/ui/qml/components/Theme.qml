pragma Singleton
import QtQuick
import Tovel

// Palette, type scale and measures shared by every view. Views name a role here and never hold a
// colour or a text size of their own, so both schemes change in one place.
QtObject {
    readonly property color accent: Qt.rgba(1.0, 0.761, 0.055, 1)
    readonly property color ink: Qt.rgba(0.0, 0.133, 0.267, 1)
    readonly property real railWidth: 58
    readonly property real panelInset: 11
    readonly property real panelCorner: 22
    readonly property real glassCorner: 18

    // Type scale, smallest first.
    readonly property int tagSize: 10        // badges and file-type tags
    readonly property int captionSize: 11    // captions, hints, quiet text buttons
    readonly property int smallSize: 12      // secondary lines, notes, switch labels
    readonly property int bodySize: 13       // fields, lists, pane introductions, buttons
    readonly property int titleSize: 14      // card and dialog titles
    readonly property int figureSize: 21     // a card's figures
    readonly property int headlineSize: 30   // the introduction's headings
    readonly property int displaySize: 34    // a pane's heading
    readonly property int heroSize: 38       // the Get pane's heading

    readonly property bool dark: Appearance.dark

    // Text.
    readonly property color text: dark ? "#f5f5f7" : "#17171a"
    readonly property color secondaryText: dark ? Qt.rgba(1, 1, 1, 0.62) : Qt.rgba(0, 0, 0, 0.64)
    readonly property color tertiaryText: dark ? Qt.rgba(1, 1, 1, 0.5) : Qt.rgba(0, 0, 0, 0.56)
    // Window-control glyphs at rest; they take `text` under the pointer.
    readonly property color quietGlyph: Qt.rgba(text.r, text.g, text.b, 0.7)
    // The ring around whatever has keyboard focus, where it is not the accent.
    readonly property color focusRing: text
    // Selected text in a field, and the highlighted row of a pop-up list.
    readonly property color selection: Qt.rgba(accent.r, accent.g, accent.b, 0.45)
    readonly property color highlight: Qt.rgba(accent.r, accent.g, accent.b, 0.28)

    // The accent under the pointer and pressed, and a glyph drawn on an accent tile.
    readonly property color accentHover: Qt.lighter(accent, 1.06)
    readonly property color accentPressed: Qt.darker(accent, 1.12)
    readonly property color accentGlyph: Qt.rgba(0, 0, 0, 0.8)

    // A card's status badge: mint text on a capsule, which on light glass must be deep to stay legible.
    readonly property color badgeText: Qt.rgba(0.35, 0.95, 0.7, 1)
    readonly property color badgeFill: dark ? Qt.rgba(0.35, 0.95, 0.7, 0.16) : Qt.rgba(0.03, 0.22, 0.15, 0.82)

    // Lines and fills.
    readonly property color hairline: dark ? Qt.rgba(1, 1, 1, 0.16) : Qt.rgba(0, 0, 0, 0.14)
    readonly property color fieldFill: dark ? Qt.rgba(0, 0, 0, 0.3) : Qt.rgba(1, 1, 1, 0.55)
    readonly property color popupFill: dark ? "#232327" : "#f7f7f9"
    // Small round controls in the panel's corners: the window buttons and the search ornament.
    readonly property color controlFill: dark ? Qt.rgba(0, 0, 0, 0.28) : Qt.rgba(1, 1, 1, 0.55)
    // The close button under the pointer, and its glyph.
    readonly property color danger: "#ff5f57"
    readonly property color dangerInk: "white"
    // A switch's knob when off (when on it is `ink`).
    readonly property color knob: dark ? "#d8d8dc" : "white"
    // The ring a job's progress runs around.
    readonly property color progressTrack: dark ? Qt.rgba(1, 1, 1, 0.16) : Qt.rgba(0, 0, 0, 0.16)
    // The edge of a background picture's tile.
    readonly property color tileEdge: dark ? Qt.rgba(1, 1, 1, 0.18) : Qt.rgba(0, 0, 0, 0.18)
    // Over the window while it asks something.
    readonly property color scrim: Qt.rgba(0, 0, 0, 0.45)

    // Glass: our stand-in for the platform's ultra-thin material, lighter over a real blur; the
    // scheme's tint over it (`glassTint(weight)`), and its edge.
    readonly property color glassMaterial: dark ? Qt.rgba(0.11, 0.11, 0.13, 0.46) : Qt.rgba(0.97, 0.97, 0.98, 0.50)
    readonly property color frostedMaterial: dark ? Qt.rgba(0.11, 0.11, 0.13, 0.22) : Qt.rgba(0.97, 0.97, 0.98, 0.28)
    readonly property color glassEdge: Qt.rgba(1, 1, 1, dark ? 0.16 : 0.35)
    function glassTint(weight) {
        return dark ? Qt.rgba(0, 0, 0, weight * 0.16) : Qt.rgba(1, 1, 1, weight * 0.1)
    }
    // A field's capsule: glass material, then this tint and edge.
    readonly property color pillTint: dark ? Qt.rgba(0, 0, 0, 0.22) : Qt.rgba(1, 1, 1, 0.22)
    readonly property color pillEdge: Qt.rgba(1, 1, 1, dark ? 0.16 : 0.6)

    // The near-black card and the colours its outline runs through, corner to corner.
    readonly property color accentCardFill: Qt.rgba(0, 0, 0, 0.82)
    readonly property color rimRose: "#ff5e7e"
    readonly property color rimViolet: "#9b6bff"
    readonly property color rimCyan: "#3fd7ff"

    // Behind the rounded panel, and what the rail draws on it.
    readonly property color backdrop: dark ? "black" : "#c6c6cc"
    readonly property color railInk: dark ? "white" : "#1d1d22"
    // The rail's buttons: at rest, under the pointer, chosen; their glyphs when not chosen; the
    // Downloads button under the pointer; the edge of the background's thumbnail.
    readonly property color railFill: Qt.rgba(railInk.r, railInk.g, railInk.b, 0.06)
    readonly property color railFillHover: Qt.rgba(railInk.r, railInk.g, railInk.b, 0.10)
    readonly property color railFillSelected: Qt.rgba(railInk.r, railInk.g, railInk.b, 0.16)
    readonly property color railQuietInk: Qt.rgba(railInk.r, railInk.g, railInk.b, 0.55)
    readonly property color railFolderHover: Qt.rgba(railInk.r, railInk.g, railInk.b, 0.08)
    readonly property color railThumbEdge: Qt.rgba(railInk.r, railInk.g, railInk.b, 0.25)

    // The window's base colour under the background picture, and the veil over the picture: it keeps
    // cards readable, and in light it makes the window light.
    readonly property color windowBase: dark ? "#0b0b0d" : Qt.rgba(0.86, 0.86, 0.86, 1)
    readonly property color veil: dark ? Qt.rgba(0, 0, 0, 0.34) : Qt.rgba(0.96, 0.96, 0.97, 0.84)

    // The colour without its alpha: symbols are tinted solid and take the alpha as their opacity.
    function opaque(colour) {
        return Qt.rgba(colour.r, colour.g, colour.b, 1)
    }
}
