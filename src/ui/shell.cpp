#include "ui/shell.h"

#include "appearance/appearance.h"
#include "core/endpoints.h"
#include "engine/manifest.h"
#include "engine/web_engine.h"
#include "platform/defaults.h"
#include "platform/leftovers.h"
#include "platform/paths.h"
#include "ui/symbol_provider.h"
#include "updates/diagnostics.h"
#include "updates/updater.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QUrl>

namespace tovel {

void startUp()
{
    Defaults::migrateFromSandbox();
    Diagnostics::install();
    Appearance &appearance = Appearance::shared();
    appearance.applyIcon();
    appearance.applyMode();
    // What a Tovel that was killed or crashed left half-made is no one's any more.
    if (!paths::homeProblem())
        paths::removeLeftoversOnce({paths::temporary(), paths::downloadsLocation()});

    // Both check only while automatic checks are on, and neither is waited for.
    Updater &updater = Updater::shared();
    updater.check();
    if (updater.automatic())
        ManifestStore::shared().refresh(QUrl(endpoints::manifestAddress()));
}

void loadFonts()
{
    const auto resources = paths::resources();
    if (!resources)
        return;
    const QDir fonts(*resources + QStringLiteral("/fonts"));
    bool any = false;
    for (const QString &name : fonts.entryList({QStringLiteral("Inter-*.otf")}, QDir::Files))
        any |= QFontDatabase::addApplicationFont(fonts.filePath(name)) >= 0;
    if (any) {
        QFont font(QStringLiteral("Inter"));
        font.setPixelSize(13);
        QGuiApplication::setFont(font);
    }
}

QString launchInput(const QString &argument)
{
    const QUrl url(argument);
    return url.isLocalFile() ? url.toLocalFile() : argument;
}

bool loadWindow(QQmlApplicationEngine &engine, const QString &input)
{
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.addImageProvider(QStringLiteral("symbol"), new SymbolProvider);
    engine.addImageProvider(QStringLiteral("backdrop"), new BackdropProvider);
    engine.addImageProvider(QStringLiteral("tile"), new TileProvider);
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Tovel/qml/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return false;
    if (!input.isEmpty())
        engine.rootObjects().constFirst()->setProperty("initialInput", input);
    return true;
}

Shell &Shell::shared()
{
    static Shell *instance = new Shell;
    return *instance;
}

Shell *Shell::create(QQmlEngine *, QJSEngine *)
{
    Shell *instance = &shared();
    QJSEngine::setObjectOwnership(instance, QJSEngine::CppOwnership);
    return instance;
}

bool Shell::onboardingDone() const
{
    return Defaults::boolean(onboardingKey, false);
}

void Shell::finishOnboarding()
{
    Defaults::set(onboardingKey, true);
}

QObject *Shell::webEngine() const
{
    return &WebEngine::shared();
}

} // namespace tovel
