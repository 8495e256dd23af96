#include "ui/desktop.h"

#include "platform/paths.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

namespace tovel {

namespace {
const QString notifications = QStringLiteral("org.freedesktop.Notifications");
const QString notificationsPath = QStringLiteral("/org/freedesktop/Notifications");

// A path as the user writes it, with ~ for their home.
QString shortPath(const QString &path)
{
    const QString home = QDir::homePath();
    if (path.startsWith(home + u'/'))
        return QStringLiteral("~") + QDir::toNativeSeparators(path.mid(home.size()));
    return QDir::toNativeSeparators(path);
}

// Where a file is, as the user knows the place: "Downloads", or its folder.
QString placeOf(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (QDir(folder) == QDir(paths::downloads()))
        return Desktop::tr("Downloads");
    return shortPath(folder);
}

// Why `target` could not be opened (or shown), with where it is, so the user can get to it themselves.
QString cannotOpen(const QUrl &target, bool showing)
{
    if (!target.isLocalFile())
        return Desktop::tr("No web browser is set to open links. The address can be copied instead.");
    const QString path = target.toLocalFile();
    const QFileInfo info(path);
    if (!info.exists())
        return Desktop::tr("%1 is no longer there; it may have been moved or deleted.").arg(info.fileName());
    if (info.isDir())
        return Desktop::tr("No file manager is set to open folders. %1 is at %2.")
            .arg(info.fileName(), shortPath(info.absoluteFilePath()));
    if (showing)
        return Desktop::tr("No file manager is set to show files. The file is in %1.").arg(placeOf(path));
    const QString kind = info.suffix().toUpper();
    if (kind.isEmpty())
        return Desktop::tr("No app is set to open this file. The file is in %1.").arg(placeOf(path));
    //: %1 is a file type such as MP3, %2 a folder such as Downloads.
    return Desktop::tr("No app is set to open %1 files. The file is in %2.").arg(kind, placeOf(path));
}
} // namespace

Desktop::Desktop()
{
    // A click on our notification raises the window.
    QDBusConnection::sessionBus().connect(notifications, notificationsPath, notifications,
                                          QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
}

void Desktop::actionInvoked(uint id, const QString &)
{
    if (id != 0 && id == m_notification)
        emit notificationActivated();
}

void Desktop::notify(const QString &summary, const QString &body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call
        = QDBusMessage::createMethodCall(notifications, notificationsPath, notifications, QStringLiteral("Notify"));
    // The previous one is replaced rather than stacked.
    call << QStringLiteral("Tovel") << m_notification << QStringLiteral("app.tovel.Tovel") << summary << body
         << QStringList{QStringLiteral("default"), tr("Show")}
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("app.tovel.Tovel")}} << -1;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5'000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *done) {
        const QDBusMessage reply = done->reply();
        if (!done->isError() && !reply.arguments().isEmpty())
            m_notification = reply.arguments().first().toUInt();
        done->deleteLater();
    });
}

Desktop &Desktop::shared()
{
    static Desktop *instance = new Desktop;
    return *instance;
}

Desktop *Desktop::create(QQmlEngine *, QJSEngine *)
{
    Desktop *instance = &shared();
    QJSEngine::setObjectOwnership(instance, QJSEngine::CppOwnership);
    return instance;
}

void Desktop::open(const QUrl &url)
{
    if (url.isValid())
        launch(url, url, false);
}

// xdg-open says whether it found an application (its exit status), which the desktop services do not:
// they only start it. An application it starts in the foreground keeps it running, and that is success
// too; the process is never killed, so closing Tovel leaves the player playing.
void Desktop::launch(const QUrl &url, const QUrl &target, bool showing)
{
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
        emit failed(target, cannotOpen(target, showing));
        return;
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(url))
            emit failed(target, cannotOpen(target, showing));
        return;
    }
    auto *process = new QProcess(this);
    process->setProgram(opener);
    process->setArguments({url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this, [this, process, target, showing](int code, QProcess::ExitStatus how) {
        if (how != QProcess::NormalExit || code != 0)
            emit failed(target, cannotOpen(target, showing));
        process->deleteLater();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process, target, showing](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        emit failed(target, cannotOpen(target, showing));
        process->deleteLater();
    });
    process->start();
}

void Desktop::reveal(const QUrl &file)
{
    if (!file.isLocalFile())
        return;
    if (!QFileInfo::exists(file.toLocalFile())) {
        emit failed(file, cannotOpen(file, true));
        return;
    }
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(file.toLocalFile()).absolutePath());
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{file.toString(QUrl::FullyEncoded)} << QString();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        launch(folder, file, true);
        return;
    }
    // Asked without waiting: a file manager that is slow to start must not hold up the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5'000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, folder, file](QDBusPendingCallWatcher *done) {
        // Only where no file manager takes the call; one that is merely slow to start will still show
        // the file, and a second window would be one too many.
        const QDBusError::ErrorType error = done->isError() ? done->error().type() : QDBusError::NoError;
        if (error != QDBusError::NoError && error != QDBusError::NoReply && error != QDBusError::Timeout)
            launch(folder, file, true);
        done->deleteLater();
    });
}

void Desktop::openDownloads()
{
    open(downloadsUrl());
}

QUrl Desktop::downloadsUrl() const
{
    return QUrl::fromLocalFile(paths::downloads());
}

void Desktop::copyPath(const QUrl &url) const
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString());
}

} // namespace tovel
