import QtQuick
import QtQuick.Window

// A named symbol from resources/symbols, tinted. The alpha of `color` becomes the item's opacity.
Item {
    id: root
    property string name
    property real size: 13
    property color color: "white"

    implicitWidth: size
    implicitHeight: size

    Image {
        anchors.centerIn: parent
        width: root.size
        height: root.size
        fillMode: Image.PreserveAspectFit
        // Tinted when decoded, so it also draws where shader effects are unavailable.
        source: root.name.length > 0
                ? "image://symbol/" + root.name + "/" + Qt.rgba(root.color.r, root.color.g, root.color.b, 1)
                : ""
        sourceSize: Qt.size(Math.ceil(root.size * Screen.devicePixelRatio),
                            Math.ceil(root.size * Screen.devicePixelRatio))
        opacity: root.color.a
        smooth: true
    }
}
