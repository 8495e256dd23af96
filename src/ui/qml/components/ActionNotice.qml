import QtQuick
import QtQuick.Layouts
import Tovel

// What the desktop could not do for one control (open, play, show), said beside it, with the path to
// copy instead. Empty until the desktop reports a failure about `target`; copying the path, or asking
// again, clears it.
RowLayout {
    id: root
    property url target
    // Who the path belongs to, for the Copy button's accessible name ("Copy path of Episode 12").
    property string about
    property string sentence: ""
    readonly property Item copyButton: copy
    property var tabHandler: null
    function clear() { sentence = "" }

    visible: sentence.length > 0
    spacing: 8
    Connections {
        target: Desktop
        function onFailed(what, sentence) {
            if (what.toString() === root.target.toString())
                root.sentence = sentence
        }
    }
    Text {
        objectName: "actionNotice"
        Layout.fillWidth: true
        text: root.sentence
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.pixelSize: Theme.smallSize
        color: Theme.text
        // Shown as it happens, so a screen reader says it at once.
        Accessible.role: Accessible.AlertMessage
        Accessible.name: text
        Accessible.ignored: !root.visible
    }
    TextButton {
        id: copy
        objectName: "copyPathButton"
        tabHandler: root.tabHandler
        readonly property bool file: root.target.toString().startsWith("file:")
        text: file ? qsTr("Copy path") : qsTr("Copy address")
        accessibleName: root.about.length > 0 ? qsTr("%1 of %2").arg(text).arg(root.about) : text
        onClicked: {
            Desktop.copyPath(root.target)
            root.clear()
        }
    }
}
