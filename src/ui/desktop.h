#pragma once

#include <QObject>
#include <QQmlEngine>
#include <QUrl>

namespace tovel {

// What the desktop does for us: open a file with its default application, show a file selected in
// the file manager, open the Downloads folder.
class Desktop : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    static Desktop &shared();
    static Desktop *create(QQmlEngine *, QJSEngine *);

    // Opens a file or an address with the application the desktop picks for it.
    Q_INVOKABLE bool open(const QUrl &url) const;
    // Shows the file selected in the file manager (org.freedesktop.FileManager1); where no file manager
    // answers, opens the folder that holds it.
    Q_INVOKABLE void reveal(const QUrl &file) const;
    Q_INVOKABLE void openDownloads() const;
    // Sends a desktop notification (org.freedesktop.Notifications); nothing happens where no
    // notification service answers. Activating it emits `notificationActivated`.
    Q_INVOKABLE void notify(const QString &summary, const QString &body);

signals:
    void notificationActivated();

private slots:
    void actionInvoked(uint id, const QString &action);

private:
    Desktop();
    uint m_notification = 0;
};

} // namespace tovel
