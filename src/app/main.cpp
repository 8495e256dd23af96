#include "app/cli.h"
#include "appearance/appearance.h"
#include "build_info.h"
#include "core/endpoints.h"
#include "engine/manifest.h"
#include "platform/defaults.h"
#include "updates/diagnostics.h"
#include "updates/updater.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QUrl>

#include <memory>

static void describeApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tovel"));
    QCoreApplication::setApplicationName(QStringLiteral("Tovel"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(tovel::build::version));
}

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    // Crash reports come first, so that anything after them that dies leaves one.
    tovel::Diagnostics::install();

    if (tovel::cli::wantsCommandLine(arguments)) {
        // Headless: no display needed.
        QCoreApplication app(argc, argv);
        describeApplication();
        return tovel::cli::run(arguments);
    }

    QGuiApplication app(argc, argv);
    describeApplication();
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tovel"));
    // The chosen icon first, then the mode, before any window shows.
    tovel::Appearance::shared().applyIcon();
    tovel::Appearance::shared().applyMode();

    // The update notice and a fresher manifest, in the background; nothing waits for them.
    tovel::Updater::shared().opener = [](const QUrl &url) { QDesktopServices::openUrl(url); };
    tovel::Updater::shared().check();
    if (tovel::Defaults::boolean(QStringLiteral("checkForUpdates"), true))
        tovel::ManifestStore::shared().refresh(QUrl(tovel::endpoints::manifestAddress()));

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app, [] { QCoreApplication::exit(1); },
        Qt::QueuedConnection);
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Tovel/qml/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    return QGuiApplication::exec();
}
