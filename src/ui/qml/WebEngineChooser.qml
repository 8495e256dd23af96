import QtQuick
import QtQuick.Dialogs

// "Choose…" for yt-dlp. Made by the Engine pane on first use, not with it: without QtQuick.Dialogs the
// pane still shows, and says why the chooser cannot.
FileDialog {
    title: qsTr("Choose yt-dlp")
    fileMode: FileDialog.OpenFile
}
