import QtQuick
import QtQuick.Window
import Tovel

Window {
    id: window
    width: 1100
    height: 720
    minimumWidth: 900
    minimumHeight: 640
    visible: true
    title: "Tovel"
    objectName: "main"
    color: Theme.backdrop
    flags: Qt.Window | Qt.FramelessWindowHint

    property string pane: "get"
    readonly property var paneOrder: ["get", "library", "following", "appearance", "engine"]
    // Ctrl+1…5 show a pane; Ctrl+Tab and Ctrl+Shift+Tab go round them. Not while the introduction or a
    // question is up.
    function showPane(index) {
        window.pane = paneOrder[(index + paneOrder.length) % paneOrder.length]
    }
    readonly property bool choosingPanes: !window.onboarding && !window.asking
    Shortcut { sequence: "Ctrl+1"; enabled: window.choosingPanes; onActivated: window.showPane(0) }
    Shortcut { sequence: "Ctrl+2"; enabled: window.choosingPanes; onActivated: window.showPane(1) }
    Shortcut { sequence: "Ctrl+3"; enabled: window.choosingPanes; onActivated: window.showPane(2) }
    Shortcut { sequence: "Ctrl+4"; enabled: window.choosingPanes; onActivated: window.showPane(3) }
    Shortcut { sequence: "Ctrl+5"; enabled: window.choosingPanes; onActivated: window.showPane(4) }
    Shortcut {
        sequences: ["Ctrl+Tab"]
        enabled: window.choosingPanes
        onActivated: window.showPane(window.paneOrder.indexOf(window.pane) + 1)
    }
    Shortcut {
        sequences: ["Ctrl+Shift+Tab", "Ctrl+Backtab"]
        enabled: window.choosingPanes
        onActivated: window.showPane(window.paneOrder.indexOf(window.pane) - 1)
    }
    // Text the Get pane's field starts with once (a file opened with Tovel); nothing starts until Gather.
    property string initialInput: ""
    // The introduction shows until it has been finished once; within a run it never comes back.
    property bool onboarding: !Shell.onboardingDone()
    property bool introduced: false
    // Set once the user chose to stop running work and quit: the next close goes through.
    property bool quitting: false
    // The panel on screen publishes its background and, where shaders run, one blurred copy of it:
    // every glass panel samples its own region of that one copy.
    readonly property Item glassSurface: onboardingLoader.item ? onboardingLoader.item.surface
                                         : (layout.item ? layout.item.panel.surface : null)
    readonly property Item glassBackdrop: onboardingLoader.item ? onboardingLoader.item.backdrop
                                          : (layout.item ? layout.item.panel.backdrop : null)

    // Closing on running work asks first; stopping ends every job cleanly, then closes.
    onClosing: close => {
        if (window.quitting || !Gathering.busy())
            return
        close.accepted = false
        // Jobs that were cancelled but are still tidying up finish that first, without a question.
        if (Gathering.unfinished === 0) {
            window.quitting = true
            Gathering.stopAll()
            return
        }
        quitQuestion.open()
    }
    readonly property bool asking: quitQuestion.visible || chooseDialog.visible
    // Lists what `input` stands for to choose from, with the Get pane's choices.
    function choose(input, format, quality, sound) {
        chooseDialog.format = format
        chooseDialog.quality = quality
        chooseDialog.sound = sound
        chooseDialog.open(input)
    }

    // Says a change aloud to assistive technology wherever focus is: a job saved or failed, a request
    // refused. The alert is hidden and shown again with the new text, which screen readers speak.
    function announce(message) {
        announcer.visible = false
        announcer.text = message
        announcer.visible = true
    }
    Connections {
        target: Gathering
        function onStopped() {
            if (window.quitting)
                window.close()
        }
        // Said on the desktop only when the person is elsewhere.
        function onBatchEnded(summary) {
            if (!window.active)
                Desktop.notify("Tovel", summary)
        }
    }
    Connections {
        target: Desktop
        function onNotificationActivated() {
            window.show()
            window.raise()
            window.requestActivate()
        }
    }

    // The content never lays out smaller than the minimum, even where nothing enforces the window's.
    Item {
        id: frame
        objectName: "frame"
        width: Math.max(window.width, window.minimumWidth)
        height: Math.max(window.height, window.minimumHeight)

        // Empty space moves the window.
        MouseArea {
            anchors.fill: parent
            onPressed: window.startSystemMove()
        }

        Loader {
            id: onboardingLoader
            objectName: "onboarding"
            anchors.fill: parent
            anchors.margins: Theme.panelInset
            active: window.onboarding
            focus: true
            sourceComponent: OnboardingView {
                finish: function () {
                    window.introduced = true
                    window.onboarding = false
                }
            }
        }

        Loader {
            id: layout
            objectName: "layout"
            anchors.fill: parent
            active: !window.onboarding
            // Nothing behind the quit question takes a key or a click while it stands.
            enabled: !window.asking
            sourceComponent: workingLayout
            // After the introduction the working layout fades in; at a plain launch it is simply there.
            onLoaded: if (window.introduced) fadeIn.start()
            NumberAnimation {
                id: fadeIn
                target: layout.item
                property: "opacity"
                from: 0
                to: 1
                duration: 250
                easing.type: Easing.InOutQuad
            }
        }

        ResizeEdges { window: window }

        Text {
            id: announcer
            objectName: "announcer"
            width: 1
            height: 1
            clip: true
            color: "transparent"
            textFormat: Text.PlainText
            Accessible.role: Accessible.AlertMessage
            Accessible.name: text
        }

        ChooseDialog {
            id: chooseDialog
            objectName: "chooseDialog"
            anchors.fill: parent
            z: 9
        }

        QuitConfirmation {
            id: quitQuestion
            objectName: "quitQuestion"
            anchors.fill: parent
            z: 10
            onStop: {
                window.quitting = true
                Gathering.stopAll()
            }
        }
    }

    Component {
        id: workingLayout
        Item {
            readonly property alias panel: panel

            Rail {
                id: rail
                objectName: "rail"
                anchors.left: parent.left
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                pane: window.pane
                onChosen: name => window.pane = name
            }

            MainPanel {
                id: panel
                objectName: "mainPanel"
                anchors.left: rail.right
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                anchors.margins: Theme.panelInset
                anchors.leftMargin: 0

                // Each pane is made the first time it is shown and kept from then on, out of the window
                // while another one shows: switching back is immediate, what the pane holds (a scrolled
                // list, a card's notice) is still there, and a hidden pane is in nobody's way (not in the
                // focus chain, not read by assistive technology).
                Item {
                    id: paneArea
                    objectName: "paneArea"
                    anchors.fill: parent
                    property Item item: null
                    readonly property var made: ({})
                    function show(name) {
                        if (!made[name]) {
                            const component = { library: libraryPane, following: followingPane, appearance: appearancePane, engine: enginePane }[name]
                            made[name] = (component || getPane).createObject(paneArea, { visible: false })
                        }
                        const next = made[name]
                        if (next === item)
                            return
                        if (item) {
                            item.visible = false
                            item.parent = null
                        }
                        next.parent = paneArea
                        next.anchors.fill = paneArea
                        next.visible = true
                        item = next
                    }
                    Component.onCompleted: show(window.pane)
                    Connections {
                        target: window
                        function onPaneChanged() { paneArea.show(window.pane) }
                    }
                }

                SearchPill {
                    anchors.top: parent.top
                    anchors.right: parent.right
                    anchors.topMargin: 16
                    anchors.rightMargin: 22
                }
            }
        }
    }

    Component {
        id: getPane
        GetPane { focus: true }
    }
    Component {
        id: libraryPane
        LibraryPane {}
    }
    Component {
        id: followingPane
        FollowingPane {}
    }
    Component {
        id: appearancePane
        AppearancePane {}
    }
    Component {
        id: enginePane
        EnginePane {}
    }
}
