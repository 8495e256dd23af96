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
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QUrl>

namespace tovel {

namespace {
// Where OpenGL is itself drawn by the processor (Mesa's llvmpipe or softpipe: a virtual machine, a
// remote session, a machine without a graphics driver), Qt Quick's own software renderer answers
// several times faster in a large window: it repaints only what changed, where OpenGL draws the whole
// window again for every frame. The glass then shows its pre-softened picture instead of a live blur.
// QT_QUICK_BACKEND or QSG_RHI_BACKEND, when set, decide instead.
void chooseRenderer()
{
    static bool chosen = false;
    if (chosen || qEnvironmentVariableIsSet("QT_QUICK_BACKEND") || qEnvironmentVariableIsSet("QSG_RHI_BACKEND"))
        return;
    chosen = true;
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!surface.isValid() || !context.create() || !context.makeCurrent(&surface))
        return;
    const auto *name = reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
    const QByteArray renderer = name ? QByteArray(name).toLower() : QByteArray();
    context.doneCurrent();
    if (renderer.contains("llvmpipe") || renderer.contains("softpipe") || renderer.contains("software rasterizer"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}
} // namespace

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
    chooseRenderer();
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
