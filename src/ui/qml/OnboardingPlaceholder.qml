import QtQuick
import QtQuick.Layouts
import Tovel

// Stands in for the first-run introduction until it is built: a welcome and a way on.
MainPanel {
    id: root
    // Hides the introduction; supplied by the window.
    property var finish: function () {}

    function start() {
        Shell.finishOnboarding()
        root.finish()
    }

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 620)
        spacing: 26

        Image {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 96
            Layout.preferredHeight: 96
            source: Appearance.iconSource
            sourceSize: Qt.size(192, 192)
            smooth: true
            mipmap: true
            visible: status === Image.Ready
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 10
            Text {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: "Gather what's scattered."
                font.pixelSize: 30
                font.weight: Font.Bold
                color: Theme.text
            }
            Text {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: "Tovel collects audio and video from the web and from your computer, and saves it in the format you want."
                font.pixelSize: 14
                color: Theme.secondaryText
            }
        }
        AccentButton {
            id: startButton
            objectName: "startGathering"
            Layout.alignment: Qt.AlignHCenter
            text: "Start gathering"
            focus: true
            onClicked: root.start()
        }
    }
}
