#include "ui/desktop.h"

#include "platform/paths.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace tovel {

namespace {
const QString notifications = QStringLiteral("org.freedesktop.Notifications");
const QString notificationsPath = QStringLiteral("/org/freedesktop/Notifications");
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

bool Desktop::open(const QUrl &url) const
{
    return url.isValid() && QDesktopServices::openUrl(url);
}

void Desktop::reveal(const QUrl &file) const
{
    if (!file.isLocalFile())
        return;
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(file.toLocalFile()).absolutePath());
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{file.toString(QUrl::FullyEncoded)} << QString();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    // Asked without waiting: a file manager that is slow to start must not hold up the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5'000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [folder](QDBusPendingCallWatcher *done) {
        // Only where no file manager takes the call; one that is merely slow to start will still show
        // the file, and a second window would be one too many.
        const QDBusError::ErrorType error = done->isError() ? done->error().type() : QDBusError::NoError;
        if (error != QDBusError::NoError && error != QDBusError::NoReply && error != QDBusError::Timeout)
            QDesktopServices::openUrl(folder);
        done->deleteLater();
    });
}

void Desktop::openDownloads() const
{
    open(QUrl::fromLocalFile(paths::downloads()));
}

} // namespace tovel
