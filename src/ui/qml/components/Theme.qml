pragma Singleton
import QtQuick
import Tovel

// Palette and measures shared by every view.
QtObject {
    readonly property color accent: Qt.rgba(1.0, 0.761, 0.055, 1)
    readonly property color ink: Qt.rgba(0.0, 0.133, 0.267, 1)
    readonly property real railWidth: 58
    readonly property real panelInset: 11
    readonly property real panelCorner: 22
    readonly property real glassCorner: 18

    readonly property bool dark: Appearance.dark
    readonly property color text: dark ? "#f5f5f7" : "#17171a"
    readonly property color secondaryText: dark ? Qt.rgba(1, 1, 1, 0.62) : Qt.rgba(0, 0, 0, 0.64)
    readonly property color tertiaryText: dark ? Qt.rgba(1, 1, 1, 0.5) : Qt.rgba(0, 0, 0, 0.56)
    readonly property color hairline: dark ? Qt.rgba(1, 1, 1, 0.16) : Qt.rgba(0, 0, 0, 0.14)
    readonly property color fieldFill: dark ? Qt.rgba(0, 0, 0, 0.3) : Qt.rgba(1, 1, 1, 0.55)
    readonly property color popupFill: dark ? "#232327" : "#f7f7f9"
    // Behind the rounded panel, and what the rail draws on it.
    readonly property color backdrop: dark ? "black" : "#c6c6cc"
    readonly property color railInk: dark ? "white" : "#1d1d22"
    // Over the background picture: it keeps cards readable, and in light it makes the window light.
    readonly property color veil: dark ? Qt.rgba(0, 0, 0, 0.34) : Qt.rgba(0.96, 0.96, 0.97, 0.84)
}
