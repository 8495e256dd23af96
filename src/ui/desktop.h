#pragma once

#include <QObject>
#include <QQmlEngine>
#include <QUrl>

namespace tovel {

// What the desktop does for us: open a file with its default application, show a file selected in
// the file manager, open the Downloads folder. Where the desktop cannot (no application is set for the
// file's type, no file manager, the file is gone), `failed` says so in a sentence for the user, so the
// window can show it next to the control that asked.
class Desktop : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    static Desktop &shared();
    static Desktop *create(QQmlEngine *, QJSEngine *);

    // Opens a file or an address with the application the desktop picks for it.
    Q_INVOKABLE void open(const QUrl &url);
    // Shows the file selected in the file manager (org.freedesktop.FileManager1); where no file manager
    // answers, opens the folder that holds it.
    Q_INVOKABLE void reveal(const QUrl &file);
    Q_INVOKABLE void openDownloads();
    [[nodiscard]] Q_INVOKABLE QUrl downloadsUrl() const;
    // Puts a file's path (or an address) on the clipboard, for the user to open it another way.
    Q_INVOKABLE void copyPath(const QUrl &url) const;
    // Sends a desktop notification (org.freedesktop.Notifications); nothing happens where no
    // notification service answers. Activating it emits `notificationActivated`.
    Q_INVOKABLE void notify(const QString &summary, const QString &body);

signals:
    void notificationActivated();
    // `target` is what the user asked to open or show, as they asked for it.
    void failed(const QUrl &target, const QString &sentence);

private slots:
    void actionInvoked(uint id, const QString &action);

private:
    Desktop();
    // Opens `url` with xdg-open and reports a failure as being about `target`.
    void launch(const QUrl &url, const QUrl &target, bool showing);
    uint m_notification = 0;
};

} // namespace tovel
