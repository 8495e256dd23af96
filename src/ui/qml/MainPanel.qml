import QtQuick
import QtQuick.Window
import Qt5Compat.GraphicalEffects
import Tovel

// The rounded panel that holds a pane or the introduction: the window background, its one blurred copy
// for the glass panels to sample, the rounded corners and our window controls. Content goes inside.
Item {
    id: root
    default property alias content: body.data
    // The background, and its blurred copy (null where shader effects cannot run).
    readonly property Item surface: background
    readonly property Item backdrop: backdropLoader.item

    Item {
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

        // Empty space moves the window.
        MouseArea {
            anchors.fill: parent
            onPressed: if (root.Window.window) root.Window.window.startSystemMove()
        }

        Item {
            id: body
            anchors.fill: parent
        }
    }

    PanelCorners {
        anchors.fill: parent
        corner: Theme.panelCorner
    }

    WindowControls {
        window: root.Window.window
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.topMargin: 18
        anchors.leftMargin: 20
    }
}
