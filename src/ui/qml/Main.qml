import QtQuick
import QtQuick.Window
import Qt5Compat.GraphicalEffects
import Tovel

Window {
    id: window
    width: 1100
    height: 720
    minimumWidth: 900
    minimumHeight: 640
    visible: true
    title: "Tovel"
    color: "black"
    flags: Qt.Window | Qt.FramelessWindowHint

    property string pane: "get"
    // One blurred copy of the panel's background, for the glass panels to sample; null without shaders.
    property Item glassBackdrop: backdropLoader.item
    // The background itself: where there is no blur, glass panels soften their own cut of it.
    property Item glassSurface: background

    // Empty space moves the window.
    MouseArea {
        anchors.fill: parent
        onPressed: window.startSystemMove()
    }

    Rail {
        id: rail
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        pane: window.pane
        onChosen: name => window.pane = name
    }

    Item {
        id: panel
        anchors.left: rail.right
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.margins: Theme.panelInset
        anchors.leftMargin: 0

        Item {
            id: clipped
            anchors.fill: parent
            clip: true

            WindowBackground {
                id: background
                anchors.fill: parent
            }

            Loader {
                id: backdropLoader
                anchors.fill: parent
                active: GraphicsInfo.api !== GraphicsInfo.Software && GraphicsInfo.api !== GraphicsInfo.Unknown
                sourceComponent: FastBlur {
                    source: background
                    radius: 64
                    visible: false
                }
            }

            MouseArea {
                anchors.fill: parent
                onPressed: window.startSystemMove()
            }

            Loader {
                anchors.fill: parent
                sourceComponent: {
                    switch (window.pane) {
                    case "library": return libraryPane
                    case "appearance": return appearancePane
                    case "engine": return enginePane
                    default: return getPane
                    }
                }
            }
        }

        PanelCorners {
            anchors.fill: parent
            corner: Theme.panelCorner
        }

        WindowControls {
            window: window
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.topMargin: 18
            anchors.leftMargin: 20
        }

        SearchPill {
            anchors.top: parent.top
            anchors.right: parent.right
            anchors.topMargin: 16
            anchors.rightMargin: 22
        }
    }

    Component {
        id: getPane
        PanePlaceholder { title: "Get"; symbol: "arrow.down"; blurb: "Paste a link or drop files to bring media in." }
    }
    Component {
        id: libraryPane
        PanePlaceholder { title: "Library"; symbol: "square.stack"; blurb: "Everything you have gathered, in one place." }
    }
    Component {
        id: appearancePane
        PanePlaceholder { title: "Appearance"; symbol: "paintbrush"; blurb: "Mode, app icon and window background." }
    }
    Component {
        id: enginePane
        PanePlaceholder { title: "Engine"; symbol: "gearshape"; blurb: "The tools that do the fetching and converting." }
    }

    ResizeEdges { window: window }
}
