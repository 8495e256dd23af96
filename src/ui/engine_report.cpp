#include "ui/engine_report.h"

#include "engine/manifest.h"
#include "engine/tools.h"
#include "engine/web_engine.h"
#include "ui/desktop.h"
#include "updates/diagnostics.h"
#include "updates/updater.h"

#include <QCoroFuture>
#include <QLocale>
#include <QPointer>
#include <QQmlComponent>
#include <QtConcurrent>

namespace tovel {

namespace {
QCoro::Task<void> askLicense(QPointer<EngineReport> report, std::function<void(QString)> deliver)
{
    // ffmpeg -L runs a program; never on the GUI thread.
    const QString license = co_await QtConcurrent::run(&Tools::ffmpegLicense);
    if (report)
        deliver(license);
}
} // namespace

EngineReport::EngineReport(QObject *parent) : QObject(parent), m_runtimeFound(Tools::findJSRuntime().has_value())
{
    ManifestStore &store = ManifestStore::shared();
    connect(&store, &ManifestStore::manifestChanged, this, &EngineReport::manifestChanged);
    connect(&store, &ManifestStore::lastFetchChanged, this, &EngineReport::manifestChanged);
    countReports();
    std::function<void(QString)> deliver = [this](QString license) {
        m_license = std::move(license);
        emit licenseChanged();
    };
    askLicense(this, deliver);
}

void EngineReport::refresh()
{
    m_runtimeFound = Tools::findJSRuntime().has_value();
    emit toolsChanged();
    countReports();
}

QObject *EngineReport::web() const
{
    return &WebEngine::shared();
}
QObject *EngineReport::updater() const
{
    return &Updater::shared();
}
bool EngineReport::converterPresent() const
{
    return Tools::hasFFmpeg();
}
bool EngineReport::converterBundled() const
{
    return Tools::ffmpegInResources();
}
QString EngineReport::installedVersion() const
{
    return currentVersion();
}

QString EngineReport::manifestLine() const
{
    const ManifestStore &store = ManifestStore::shared();
    if (const auto &fetched = store.lastFetch())
        return tr("Manifest v%1 \u00b7 updated %2")
            .arg(QString::number(store.version()), QLocale().toString(fetched->toLocalTime(), QLocale::ShortFormat));
    return tr("Manifest v%1 \u00b7 built-in defaults").arg(store.version());
}

QString EngineReport::manifestNotice() const
{
    return ManifestStore::shared().manifest().notice.value_or(QString());
}

QString EngineReport::reportsText() const
{
    if (m_reports == 0)
        return tr("No crash reports. Any that occur are written to this computer only \u2014 nothing is ever sent.");
    // The English text keeps its "(s)" for any count; other languages say it in their own plural forms.
    return tr("%n crash report(s) on this computer. Nothing has been sent anywhere.", nullptr, int(m_reports));
}

bool EngineReport::findWebEngine()
{
    const auto found = Tools::findYtDlp();
    if (found)
        WebEngine::shared().setPath(*found);
    return found.has_value();
}

void EngineReport::chooseWebEngine(const QUrl &file)
{
    if (file.isLocalFile() && !file.toLocalFile().isEmpty())
        WebEngine::shared().setPath(file.toLocalFile());
}

// Where the desktop offers no file dialog of its own, Qt builds one from this file of QtQuick.Dialogs when
// the dialog opens, and Qt 6.4 crashes there when a module the file needs is missing. Compiling it here
// first, as Qt loads it (by its plain address: QML's own Qt.createComponent would pick a style's variant
// instead), tells that in advance without making a window.
QString EngineReport::fileDialogProblem() const
{
    return tovel::fileDialogProblem(qmlEngine(this));
}

QString fileDialogProblem(QQmlEngine *engine)
{
    if (!engine)
        return EngineReport::tr("no QML engine");
    const QUrl address(QStringLiteral("qrc:/qt-project.org/imports/QtQuick/Dialogs/quickimpl/qml/FileDialog.qml"));
    QQmlComponent dialog(engine, address);
    if (dialog.isReady())
        return {};
    // The last error is the cause ("module ... is not installed"); those before it only pass it on.
    const QList<QQmlError> errors = dialog.errors();
    return errors.isEmpty() ? EngineReport::tr("the file dialog could not be loaded")
                            : errors.constLast().description();
}

void EngineReport::typeWebEnginePath(const QString &path)
{
    if (path != WebEngine::shared().path())
        WebEngine::shared().setPath(path);
}

void EngineReport::showReports() const
{
    Desktop::shared().open(QUrl::fromLocalFile(Diagnostics::reportsFolder()));
}

void EngineReport::deleteReports()
{
    Diagnostics::deleteAll();
    countReports();
}

void EngineReport::countReports()
{
    const qsizetype count = Diagnostics::reports().size();
    if (count == m_reports)
        return;
    m_reports = count;
    emit reportsChanged();
}

} // namespace tovel
