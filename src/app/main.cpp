#include "app/cli.h"
#include "app/signal_watcher.h"
#include "appearance/appearance.h"
#include "build_info.h"
#include "platform/language.h"
#include "platform/paths.h"
#include "ui/gathering.h"
#include "ui/shell.h"
#include "updates/diagnostics.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <memory>

// `translated`: in the user's language; JSON lines are read by programs, so a --json run stays in
// English whatever the desktop speaks.
static void describeApplication(bool translated = true)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tovel"));
    QCoreApplication::setApplicationName(QStringLiteral("Tovel"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(tovel::build::version));
    if (translated)
        tovel::installTranslations();
}

static int failScreenshot(const QString &message)
{
    std::fputs(qPrintable(message + u'\n'), stderr);
    return 2;
}

// tovel --screenshot FILE [--pane P] [--onboarding] [--mode dark|light] [--size WxH] [--gather INPUT
// [--wait SECONDS]] [--focus NAME]: renders the window off screen into a PNG; with --gather, the Get pane
// gathers INPUT (as MP3, with the Sound choice stored) first and the picture is taken SECONDS later (3
// unless told), live cards and all; with --focus, the control called NAME has keyboard focus, its ring
// showing.
static int screenshot(int argc, char *argv[], const QStringList &arguments)
{
    const QCommandLineOption fileOption(QStringLiteral("screenshot"), {}, QStringLiteral("file"));
    const QCommandLineOption paneOption(QStringLiteral("pane"), {}, QStringLiteral("pane"), QStringLiteral("get"));
    const QCommandLineOption onboardingOption(QStringLiteral("onboarding"));
    const QCommandLineOption modeOption(QStringLiteral("mode"), {}, QStringLiteral("mode"));
    const QCommandLineOption sizeOption(QStringLiteral("size"), {}, QStringLiteral("size"));
    const QCommandLineOption gatherOption(QStringLiteral("gather"), {}, QStringLiteral("input"));
    const QCommandLineOption waitOption(QStringLiteral("wait"), {}, QStringLiteral("seconds"));
    const QCommandLineOption focusOption(QStringLiteral("focus"), {}, QStringLiteral("name"));
    QCommandLineParser parser;
    parser.addOptions(
        {fileOption, paneOption, onboardingOption, modeOption, sizeOption, gatherOption, waitOption, focusOption});
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return failScreenshot(
                QStringLiteral("Unknown option %1%2.")
                    .arg(unknown.constFirst().size() == 1 ? QStringLiteral("-") : QStringLiteral("--"),
                         unknown.constFirst()));
        // Most likely the last option wants a value and has none; anything else in Qt's words.
        const QString &last = arguments.constLast();
        return failScreenshot(last.startsWith(u'-') && !last.contains(u'=')
                                  ? QStringLiteral("Missing value for %1.").arg(last)
                                  : parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty())
        return failScreenshot(QStringLiteral("Unknown option %1.").arg(parser.positionalArguments().constFirst()));

    const QString file = parser.value(fileOption);
    const QString pane = parser.value(paneOption);
    static const QStringList panes{QStringLiteral("get"), QStringLiteral("library"), QStringLiteral("following"),
                                   QStringLiteral("appearance"), QStringLiteral("engine")};
    if (!panes.contains(pane))
        return failScreenshot(QStringLiteral("Unknown pane \"%1\".").arg(pane));
    const QString mode = parser.value(modeOption);
    if (parser.isSet(modeOption) && mode != QLatin1String("dark") && mode != QLatin1String("light"))
        return failScreenshot(QStringLiteral("Mode must be dark or light."));
    const bool onboarding = parser.isSet(onboardingOption);
    const QString gather = parser.value(gatherOption);
    double wait = 3.0;
    if (parser.isSet(waitOption)) {
        bool ok = false;
        wait = parser.value(waitOption).toDouble(&ok);
        if (!ok || !(wait >= 0 && wait <= 600))
            return failScreenshot(QStringLiteral("Wait must be a number of seconds, 0 to 600."));
    }
    QSize size(1100, 720);
    if (parser.isSet(sizeOption)) {
        static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
        const auto match = pattern.match(parser.value(sizeOption));
        if (!match.hasMatch())
            return failScreenshot(QStringLiteral("Size must read WIDTHxHEIGHT."));
        size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    }
    if (file.isEmpty())
        return failScreenshot(QStringLiteral("Missing file for --screenshot."));
    size = size.expandedTo(QSize(900, 640));

    // Off screen unless the caller picked a platform (a virtual X display exercises the GPU path).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    describeApplication();
    tovel::loadFonts();
    if (!mode.isEmpty())
        tovel::Appearance::shared().showMode(tovel::appearanceModeFrom(mode));

    QQmlApplicationEngine engine;
    if (!tovel::loadWindow(engine))
        return 1;
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().constFirst());
    if (!window)
        return 1;
    window->setProperty("pane", pane);
    window->setProperty("onboarding", onboarding);
    window->setProperty("initialInput", gather);
    window->resize(size);

    int status = 1;
    tovel::Gathering *gathering = nullptr;
    if (!gather.isEmpty()) {
        gathering = engine.singletonInstance<tovel::Gathering *>(qmlTypeId("Tovel", 1, 0, "Gathering"));
        if (!gathering || !gathering->gather(gather, 0, 0, 0, gathering->sound())) {
            const QString why = gathering ? gathering->lastError() : QString();
            return failScreenshot(why.isEmpty() ? QStringLiteral("Nothing to gather.") : why);
        }
    }
    // The first frame has been shown; images load asynchronously, so give them a moment, then grab.
    const int delay = gather.isEmpty() ? 700 : int(wait * 1000);
    QObject::connect(
        window, &QQuickWindow::frameSwapped, &app,
        [&, delay] {
            // Focus goes to the named control just before the picture (it may be on a card that comes
            // later), and the ring gets a frame to show.
            QTimer::singleShot(delay, &app, [&] {
                if (!parser.isSet(focusOption))
                    return;
                QList<QQuickItem *> items{window->contentItem()};
                for (qsizetype i = 0; i < items.size(); ++i) {
                    if (items.at(i)->objectName() == parser.value(focusOption) && items.at(i)->isVisible()) {
                        items.at(i)->forceActiveFocus(Qt::TabFocusReason);
                        break;
                    }
                    items.append(items.at(i)->childItems());
                }
            });
            QTimer::singleShot(delay + (parser.isSet(focusOption) ? 300 : 0), &app, [&] {
                const QImage image = window->grabWindow();
                if (image.isNull() || !image.save(file, "PNG")) {
                    std::fputs(qPrintable(QStringLiteral("Could not write %1.\n").arg(file)), stderr);
                    status = 1;
                } else {
                    status = 0;
                }
                // Jobs still running end cleanly first (nothing half-made is left in Downloads); not
                // through quit(), which would ask the window and so the user.
                if (gathering) {
                    QObject::connect(gathering, &tovel::Gathering::stopped, &app,
                                     [&] { QCoreApplication::exit(status); });
                    gathering->stopAll();
                } else {
                    QCoreApplication::exit(status);
                }
            });
        },
        Qt::SingleShotConnection);
    // A scene that never renders should not hang whoever asked for the picture.
    QTimer::singleShot(30'000 + delay, &app, [] {
        std::fputs("The window never rendered.\n", stderr);
        QCoreApplication::exit(1);
    });
    window->show();
    window->requestUpdate();
    QGuiApplication::exec();
    return status;
}

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    // Without a usable home the window still opens and says why nothing can be saved; Qt's own caches
    // would otherwise be written under "/".
    if (tovel::paths::homeProblem())
        qputenv("QML_DISABLE_DISK_CACHE", "1");

    if (arguments.contains(QStringLiteral("--screenshot"))) {
        tovel::Diagnostics::install();
        return screenshot(argc, argv, arguments);
    }

    if (tovel::cli::wantsCommandLine(arguments)) {
        // Crash reports first, so that anything after them that dies leaves one.
        tovel::Diagnostics::install();
        // Headless: no display needed.
        QCoreApplication app(argc, argv);
        describeApplication(!arguments.contains(QStringLiteral("--json")));
        return tovel::cli::run(arguments);
    }

    QGuiApplication app(argc, argv);
    describeApplication();
    tovel::loadFonts();
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tovel"));
    // Lets Wayland compositors match the window to our desktop entry.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(tovel::build::bundleIdentifier));
    tovel::startUp();

    QQmlApplicationEngine engine;
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app, [] { QCoreApplication::exit(1); },
        Qt::QueuedConnection);
    // Opened with a file or link ("Open with Tovel", a drop on the launcher): it waits in the field.
    const QString input = arguments.size() >= 2 ? tovel::launchInput(arguments.at(1)) : QString();
    if (!tovel::loadWindow(engine, input))
        return 1;
    // Asked to end (a logout, a closed terminal, Ctrl-C where it was started): every job stops cleanly
    // first, so nothing half-made is left behind, without asking the user, who is not there to answer.
    tovel::SignalWatcher watcher;
    bool ending = false;
    QObject::connect(&watcher, &tovel::SignalWatcher::interrupted, &app, [&engine, &ending] {
        if (std::exchange(ending, true))
            std::_Exit(130);
        auto *gathering = engine.singletonInstance<tovel::Gathering *>(qmlTypeId("Tovel", 1, 0, "Gathering"));
        if (!gathering || !gathering->busy()) {
            QCoreApplication::exit(0);
            return;
        }
        QObject::connect(gathering, &tovel::Gathering::stopped, qApp, [] { QCoreApplication::exit(0); });
        gathering->stopAll();
    });
    return QGuiApplication::exec();
}
