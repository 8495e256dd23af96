import QtQuick
import QtQuick.Dialogs

// Import… and Export… of the Following pane. Made on first use, not with the pane: without
// QtQuick.Dialogs the pane still shows, and says why the chooser cannot.
FileDialog {
    property bool exporting: false
    title: exporting ? qsTr("Export the shows you follow") : qsTr("Import shows to follow")
    fileMode: exporting ? FileDialog.SaveFile : FileDialog.OpenFile
    defaultSuffix: "opml"
    nameFilters: exporting ? [qsTr("OPML files (*.opml)")] : [qsTr("OPML files or lists (*.opml *.xml *.txt)"), qsTr("All files (*)")]
}
