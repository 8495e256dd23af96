import QtQuick
import QtQuick.Layouts
import QtQuick.Window
import Tovel

// Where the user gathers: one field, the format and quality, Gather, the facts of the request, and a
// card per job. The jobs belong to the window's gathering, so they outlive this pane.
FocusScope {
    id: pane
    objectName: "getPane"
    readonly property string title: qsTr("Get")
    // The choices and the field's text are kept by the gathering, so leaving the pane loses nothing,
    // and the choices are there again at the next start.
    property int format: Gathering.format
    property int quality: Gathering.quality
    property int items: Gathering.items
    property int sound: Gathering.sound
    onSoundChanged: Gathering.sound = sound
    onFormatChanged: Gathering.format = format
    onQualityChanged: Gathering.quality = quality
    onItemsChanged: Gathering.items = items
    property bool dropTarget: false
    readonly property Item field: view.headerItem ? view.headerItem.field : null
    readonly property string input: field ? field.text : ""
    readonly property bool takesQuality: Gathering.takesQuality(format)
    // Found off the GUI thread, as a typed path is looked up on disk; only the answer for what the field
    // holds now is taken.
    property string sourceKind: "\u2014"
    onInputChanged: {
        Gathering.describeInput(input)
        Gathering.draft = input
    }
    Connections {
        target: Gathering
        function onInputKindFound(input, kind) {
            if (input === pane.input)
                pane.sourceKind = kind
        }
    }

    // After Gather the field has focus again, ready for the next input.
    function start() {
        Gathering.gather(pane.input, pane.format, pane.quality, pane.items, pane.sound)
        if (field)
            field.forceActiveFocus()
    }

    // Focus between the header and the cards, in the order they are on screen: each card shows itself
    // as it takes focus, and Tab past the last one leaves the pane for the window's other controls.
    function focusCard(index, first) {
        if (index < 0 || index >= view.count)
            return false
        view.positionViewAtIndex(index, ListView.Contain)
        const holder = view.itemAtIndex(index)
        return holder !== null && holder.card.focusEdge(first)
    }
    function leaveCards(index, forward) {
        if (forward) {
            if (!focusCard(index + 1, true))
                afterCards.nextItemInFocusChain(true).forceActiveFocus(Qt.TabFocusReason)
        } else if (!focusCard(index - 1, false)) {
            view.positionViewAtBeginning()
            view.headerItem.lastControl().forceActiveFocus(Qt.BacktabFocusReason)
        }
    }

    // Text handed to the window (a file opened with Tovel) lands in the field once, whichever comes
    // first: the text or the field, which exists once the list has made its header.
    readonly property string handedInput: Window.window ? Window.window.initialInput : ""
    onHandedInputChanged: takeHandedInput()
    onFieldChanged: {
        if (field && field.text.length === 0)
            field.text = Gathering.draft
        takeHandedInput()
    }
    function takeHandedInput() {
        if (handedInput.length > 0 && field) {
            field.text = handedInput
            const window = Window.window
            Qt.callLater(function () { window.initialInput = "" })
        }
    }

    // "/" takes the user to the field from anywhere in the pane; while typing it is just a slash.
    Shortcut {
        sequence: "/"
        enabled: pane.visible && pane.field !== null && !pane.field.activeFocus
                 && !(pane.Window.window && pane.Window.window.asking)
        onActivated: pane.field.forceActiveFocus()
    }

    DropArea {
        anchors.fill: parent
        onEntered: drag => {
            drag.accepted = drag.hasUrls || drag.hasText
            pane.dropTarget = drag.accepted
        }
        onExited: pane.dropTarget = false
        onDropped: drop => {
            pane.dropTarget = false
            const text = Gathering.droppedText(drop.hasUrls ? drop.urls : [], drop.hasText ? drop.text : "")
            if (text.length > 0 && pane.field)
                pane.field.text = text
            drop.accept()
        }
    }

    ListView {
        id: view
        objectName: "jobList"
        anchors.fill: parent
        anchors.topMargin: 26
        clip: true
        spacing: 10
        boundsBehavior: Flickable.StopAtBounds
        // No card is current: a card made while the user types must not take the focus from the field.
        currentIndex: -1
        keyNavigationEnabled: false
        model: Gathering.jobs
        readonly property real column: Math.min(820, width - 64)
        header: getHeader
        delegate: Item {
            id: holder
            required property QtObject job
            required property int index
            readonly property Item card: card
            width: view.width
            height: card.implicitHeight
            JobCard {
                id: card
                x: (parent.width - width) / 2
                width: view.column
                height: implicitHeight
                job: holder.job
                onLeaving: forward => pane.leaveCards(holder.index, forward)
            }
        }
        footer: Item { width: view.width; height: 32 }
        // New cards arrive at the top: while the user is at the top, stay there and see them come in.
        property bool atTop: true
        onContentYChanged: if (moving) atTop = contentY <= originY + 1
        onCountChanged: if (atTop) positionViewAtBeginning()
    }

    // Reached only by Shift+Tab from beyond the pane: on to the last card, or the last control above.
    Item {
        id: afterCards
        activeFocusOnTab: true
        Accessible.ignored: true
        onActiveFocusChanged: if (activeFocus) pane.leaveCards(view.count, false)
    }

    Component {
        id: getHeader
        Item {
            readonly property alias field: field
            // The last control that takes focus above the cards (Gather rests while it cannot act).
            function lastControl() { return followToggle.visible ? followToggle : gatherButton.enabled ? gatherButton : itemsPicker }
            width: view.width
            height: headerColumn.implicitHeight + 10

            ColumnLayout {
                id: headerColumn
                x: (parent.width - width) / 2
                width: view.column
                spacing: 22

                ColumnLayout {
                    Layout.alignment: Qt.AlignHCenter
                    Layout.maximumWidth: 620
                    spacing: 8
                    Text {
                        Layout.alignment: Qt.AlignHCenter
                        Accessible.role: Accessible.Heading
                        Accessible.name: text
                        text: qsTr("Gather what's scattered.")
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.heroSize
                        font.weight: Font.DemiBold
                        color: Theme.text
                    }
                    Text {
                        Layout.alignment: Qt.AlignHCenter
                        Layout.maximumWidth: 620
                        text: qsTr("Podcasts, media links, open archives, and files already on your computer.")
                        textFormat: Text.PlainText
                        wrapMode: Text.WordWrap
                        horizontalAlignment: Text.AlignHCenter
                        font.pixelSize: Theme.bodySize
                        color: Theme.secondaryText
                    }
                }

                GlassPanel {
                    objectName: "inputCard"
                    Layout.fillWidth: true
                    Layout.preferredHeight: card.implicitHeight + 40
                    weight: 0.52
                    ColumnLayout {
                        id: card
                        anchors.fill: parent
                        anchors.margins: 20
                        spacing: 14

                        CardHeader {
                            objectName: "sourceHeader"
                            Layout.fillWidth: true
                            title: qsTr("Source")
                            badge: pane.sourceKind
                            symbol: "link"
                        }

                        PillField {
                            id: pill
                            Layout.fillWidth: true
                            Layout.preferredHeight: 40
                            Rectangle {
                                // The accent outline while something is dragged over the pane.
                                parent: pill
                                anchors.fill: parent
                                radius: height / 2
                                color: "transparent"
                                border.width: 2
                                border.color: Theme.accent
                                visible: pane.dropTarget
                                objectName: "dropOutline"
                            }
                            RowLayout {
                                anchors.fill: parent
                                spacing: 10
                                Symbol {
                                    name: "link"
                                    size: 12
                                    color: Theme.secondaryText
                                }
                                TextInput {
                                    id: field
                                    objectName: "inputField"
                                    Layout.fillWidth: true
                                    font.pixelSize: Theme.bodySize
                                    color: Theme.text
                                    selectionColor: Theme.selection
                                    selectedTextColor: Theme.text
                                    clip: true
                                    focus: true
                                    activeFocusOnTab: true
                                    selectByMouse: true
                                    verticalAlignment: TextInput.AlignVCenter
                                    Accessible.role: Accessible.EditableText
                                    Accessible.name: qsTr("Source")
                                    // Typing or coming back to the field shows it, at the top.
                                    onActiveFocusChanged: if (activeFocus) view.positionViewAtBeginning()
                                    Keys.onReturnPressed: pane.start()
                                    Keys.onEnterPressed: pane.start()
                                    Keys.onEscapePressed: text = ""
                                    Text {
                                        anchors.fill: parent
                                        verticalAlignment: Text.AlignVCenter
                                        visible: field.text.length === 0
                                        text: qsTr("Feed, media link, archive.org item, or file path")
                                        textFormat: Text.PlainText
                                        font: field.font
                                        color: Theme.tertiaryText
                                        elide: Text.ElideRight
                                    }
                                }
                                Item {
                                    objectName: "clearButton"
                                    visible: field.text.length > 0
                                    Layout.preferredWidth: 16
                                    Layout.preferredHeight: 16
                                    Accessible.role: Accessible.Button
                                    Accessible.name: qsTr("Clear the source")
                                    Accessible.ignored: !visible
                                    Accessible.onPressAction: clear()
                                    // Reached with Tab too; clearing gives the field the focus back.
                                    activeFocusOnTab: true
                                    Keys.onSpacePressed: clear()
                                    Keys.onReturnPressed: clear()
                                    function clear() {
                                        field.text = ""
                                        field.forceActiveFocus()
                                    }
                                    Rectangle {
                                        anchors.fill: parent
                                        anchors.margins: -3
                                        radius: width / 2
                                        color: "transparent"
                                        border.width: 2
                                        border.color: Theme.focusRing
                                        visible: parent.activeFocus
                                    }
                                    Symbol {
                                        anchors.centerIn: parent
                                        name: "xmark.circle.fill"
                                        size: 13
                                        color: Theme.tertiaryText
                                    }
                                    MouseArea {
                                        anchors.fill: parent
                                        anchors.margins: -4
                                        cursorShape: Qt.PointingHandCursor
                                        onClicked: parent.clear()
                                    }
                                }
                            }
                        }

                        RowLayout {
                            Layout.fillWidth: true
                            spacing: 10
                            Picker {
                                objectName: "formatPicker"
                                Layout.preferredWidth: 124
                                model: Gathering.formats
                                currentIndex: pane.format
                                onActivated: index => pane.format = index
                                label: qsTr("Format")
                            }
                            Picker {
                                objectName: "qualityPicker"
                                Layout.preferredWidth: 148
                                model: Gathering.qualities
                                currentIndex: pane.quality
                                enabled: pane.takesQuality
                                onActivated: index => pane.quality = index
                                label: qsTr("Quality")
                            }
                            Picker {
                                objectName: "soundPicker"
                                Layout.preferredWidth: 156
                                model: Gathering.sounds
                                currentIndex: pane.sound
                                onActivated: index => pane.sound = index
                                label: qsTr("Sound")
                            }
                            Picker {
                                id: itemsPicker
                                objectName: "itemsPicker"
                                Layout.preferredWidth: 132
                                model: Gathering.itemCounts
                                currentIndex: pane.items
                                onActivated: index => pane.items = index
                                label: qsTr("Items")
                                // With Gather resting, Tab goes on to the cards from here.
                                Keys.onTabPressed: event => {
                                    if (gatherButton.enabled) {
                                        event.accepted = false
                                        return
                                    }
                                    if (!pane.focusCard(0, true))
                                        pane.leaveCards(view.count, true)
                                    event.accepted = true
                                }
                            }
                            Item { Layout.fillWidth: true }
                            TextButton {
                                id: chooseButton
                                objectName: "chooseItemsButton"
                                text: qsTr("Choose\u2026")
                                accessibleName: qsTr("Choose which items to gather")
                                // A list is gathered whole, each of its inputs with its own cap.
                                visible: Gathering.canGather(pane.input) && !Gathering.isList(pane.input)
                                onClicked: if (pane.Window.window && pane.Window.window.choose)
                                               pane.Window.window.choose(pane.input, pane.format, pane.quality, pane.sound)
                            }
                            AccentButton {
                                id: gatherButton
                                objectName: "gatherButton"
                                text: qsTr("Gather")
                                enabled: Gathering.canGather(pane.input)
                                opacity: enabled ? 1 : 0.45
                                // Said while it rests, since the toolkit reports no disabled state here.
                                Accessible.description: enabled ? "" : qsTr("Type or paste a source first.")
                                onClicked: if (enabled) pane.start()
                                Keys.onTabPressed: event => {
                                    if (followToggle.visible)
                                        followToggle.forceActiveFocus(Qt.TabFocusReason)
                                    else if (!pane.focusCard(0, true))
                                        pane.leaveCards(view.count, true)
                                    event.accepted = true
                                }
                            }
                        }

                        RowLayout {
                            Layout.fillWidth: true
                            spacing: 10
                            Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Format"); value: Gathering.formatFact(pane.format) }
                            Stat { objectName: "qualityStat"; Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Quality"); value: Gathering.qualityFact(pane.format, pane.quality) }
                            Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Source"); value: pane.sourceKind }
                            Stat { Layout.fillWidth: true; Layout.preferredWidth: 1; label: qsTr("Saves to"); value: "Downloads"; trailing: true }
                        }
                        // A feed can be followed: each check then gathers its new episodes, in these
                        // choices. The switch shows whether it is followed already.
                        RowLayout {
                            visible: Gathering.isFeed(pane.input)
                            Layout.fillWidth: true
                            spacing: 12
                            Toggle {
                                id: followToggle
                                objectName: "followToggle"
                                text: Following.busy ? qsTr("Following\u2026") : qsTr("Follow this show")
                                accessibleName: qsTr("Follow this show: gather each new episode when shows are checked")
                                checked: Following.count >= 0 && Following.isFollowed(pane.input)
                                onToggled: on => on ? Following.follow(pane.input, pane.format, pane.quality, pane.sound)
                                                    : Following.unfollow(pane.input)
                                Keys.onTabPressed: event => {
                                    if (!pane.focusCard(0, true))
                                        pane.leaveCards(view.count, true)
                                    event.accepted = true
                                }
                            }
                            Text {
                                Layout.fillWidth: true
                                text: qsTr("Each check of the followed shows gathers its new episodes, in these choices.")
                                textFormat: Text.PlainText
                                elide: Text.ElideRight
                                font.pixelSize: Theme.captionSize
                                color: Theme.secondaryText
                            }
                        }
                    }
                }

                // A request that could not start says why, right under the field it came from; so does
                // trouble with the record of what was saved before.
                GlassPanel {
                    id: errorRow
                    objectName: "errorRow"
                    readonly property string message: [Gathering.lastError, Gathering.historyNotice, Following.problem].filter(t => t.length > 0).join("\n")
                    onMessageChanged: {
                        const window = pane.Window.window
                        if (message.length > 0 && window && window.announce)
                            window.announce(message)
                    }
                    visible: message.length > 0
                    Layout.fillWidth: true
                    Layout.preferredHeight: errorLine.implicitHeight + 32
                    weight: 0.5
                    RowLayout {
                        id: errorLine
                        anchors.fill: parent
                        anchors.margins: 16
                        spacing: 9
                        Symbol {
                            Layout.alignment: Qt.AlignTop
                            name: "exclamationmark.triangle.fill"
                            size: 12
                            color: Theme.accent
                        }
                        Text {
                            objectName: "errorText"
                            Accessible.role: Accessible.StaticText
                            Accessible.name: text
                            Accessible.ignored: !errorRow.visible
                            Layout.fillWidth: true
                            Layout.alignment: Qt.AlignTop
                            text: errorRow.message
                            textFormat: Text.PlainText
                            wrapMode: Text.Wrap
                            font.pixelSize: Theme.smallSize
                            color: Theme.text
                        }
                    }
                }

                CardHeader {
                    objectName: "gatheredHeader"
                    visible: Gathering.jobs.count > 0
                    Layout.fillWidth: true
                    Layout.topMargin: 4
                    title: qsTr("Gathered")
                    badge: String(Gathering.jobs.count)
                    symbol: "square.stack"
                }
            }
        }
    }
}
