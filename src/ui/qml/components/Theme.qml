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
    readonly property color secondaryText: dark ? Qt.rgba(1, 1, 1, 0.62) : Qt.rgba(0, 0, 0, 0.55)
    readonly property color tertiaryText: dark ? Qt.rgba(1, 1, 1, 0.5) : Qt.rgba(0, 0, 0, 0.5)
    readonly property color hairline: dark ? Qt.rgba(1, 1, 1, 0.16) : Qt.rgba(0, 0, 0, 0.14)
    readonly property color fieldFill: dark ? Qt.rgba(0, 0, 0, 0.3) : Qt.rgba(1, 1, 1, 0.55)
    readonly property color popupFill: dark ? "#232327" : "#f7f7f9"
}
