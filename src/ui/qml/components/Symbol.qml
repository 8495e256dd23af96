import QtQuick
import QtQuick.Window
import Tovel

// A named symbol from resources/symbols, tinted. The alpha of `color` becomes the item's opacity.
Item {
    id: root
    property string name
    property real size: 13
    property color color: Theme.text

    implicitWidth: size
    implicitHeight: size

    Image {
        anchors.centerIn: parent
        width: root.size
        height: root.size
        fillMode: Image.PreserveAspectFit
        // Tinted when decoded, so it also draws where shader effects are unavailable.
        source: root.name.length > 0
                ? "image://symbol/" + root.name + "/" + Theme.opaque(root.color)
                : ""
        sourceSize: Qt.size(Math.ceil(root.size * Screen.devicePixelRatio),
                            Math.ceil(root.size * Screen.devicePixelRatio))
        opacity: root.color.a
        smooth: true
    }
}
