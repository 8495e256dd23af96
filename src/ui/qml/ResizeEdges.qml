import QtQuick
import QtQuick.Window

// Grab strips along the frameless window's edges and corners.
Item {
    id: root
    property Window window
    readonly property int grip: 6
    anchors.fill: parent

    component Edge: MouseArea {
        property int edges
        onPressed: root.window.startSystemResize(edges)
    }

    Edge { edges: Qt.LeftEdge; cursorShape: Qt.SizeHorCursor
           anchors { left: parent.left; top: parent.top; bottom: parent.bottom } width: root.grip }
    Edge { edges: Qt.RightEdge; cursorShape: Qt.SizeHorCursor
           anchors { right: parent.right; top: parent.top; bottom: parent.bottom } width: root.grip }
    Edge { edges: Qt.TopEdge; cursorShape: Qt.SizeVerCursor
           anchors { left: parent.left; right: parent.right; top: parent.top } height: root.grip }
    Edge { edges: Qt.BottomEdge; cursorShape: Qt.SizeVerCursor
           anchors { left: parent.left; right: parent.right; bottom: parent.bottom } height: root.grip }
    Edge { edges: Qt.LeftEdge | Qt.TopEdge; cursorShape: Qt.SizeFDiagCursor
           anchors { left: parent.left; top: parent.top } width: root.grip * 2; height: root.grip * 2 }
    Edge { edges: Qt.RightEdge | Qt.BottomEdge; cursorShape: Qt.SizeFDiagCursor
           anchors { right: parent.right; bottom: parent.bottom } width: root.grip * 2; height: root.grip * 2 }
    Edge { edges: Qt.RightEdge | Qt.TopEdge; cursorShape: Qt.SizeBDiagCursor
           anchors { right: parent.right; top: parent.top } width: root.grip * 2; height: root.grip * 2 }
    Edge { edges: Qt.LeftEdge | Qt.BottomEdge; cursorShape: Qt.SizeBDiagCursor
           anchors { left: parent.left; bottom: parent.bottom } width: root.grip * 2; height: root.grip * 2 }
}
