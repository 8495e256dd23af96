#pragma once

#include <QObject>
#include <QQmlEngine>
#include <QString>

class QQmlApplicationEngine;

namespace tovel {

// What a launch of the window does before the window exists, in this order: copies the settings of a
// sandboxed install once, installs the crash handlers, loads the appearance and applies the app icon
// and then the mode, and starts the automatic update check (and the manifest refresh) in the
// background. It returns at once; nothing it starts delays the window.
void startUp();

// Inter for everything we draw; the toolkit's default when the fonts are missing.
void loadFonts();

// Registers what the window's QML needs beyond its module (the symbol and backdrop images) and loads
// the window, with `input` waiting in the Get pane's field (a file or link the window was opened with;
// nothing starts until Gather). False when it could not be created.
bool loadWindow(QQmlApplicationEngine &engine, const QString &input = {});

// The Get pane's text for what the desktop handed the program ("tovel %U"): a file:// link as its path.
[[nodiscard]] QString launchInput(const QString &argument);

// The window's own state that outlives a pane: whether the introduction has been finished.
class Shell : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // The shared web engine, for the introduction's toggle.
    Q_PROPERTY(QObject *webEngine READ webEngine CONSTANT)
public:
    static inline const QString onboardingKey = QStringLiteral("onboardingDone");

    static Shell &shared();
    static Shell *create(QQmlEngine *, QJSEngine *);

    // Read when the window is made: the introduction shows until it has been finished once.
    [[nodiscard]] Q_INVOKABLE bool onboardingDone() const;
    // Remembers that the introduction was finished, so later launches open on the Get pane.
    Q_INVOKABLE void finishOnboarding();
    [[nodiscard]] QObject *webEngine() const;

private:
    Shell() = default;
};

} // namespace tovel
