#pragma once

#include "pipeline/shows.h"

#include <QAbstractListModel>
#include <QCoroTask>
#include <QQmlEngine>
#include <QUrl>
#include <QVariant>

#include <memory>

namespace tovel {

class History;

// The shows followed, as the Following pane lists them and the Get pane's Follow switch changes them,
// and the schedule that checks them, as the Engine pane shows it. One for the window.
class Following : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
    // Whether a show is being read to be followed.
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // Why the last follow, unfollow, import or export failed; empty when it did not.
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)
    // How the last import or export went, when it went well.
    Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
    // The schedule: true or false as systemd says, undefined while it is asked or when it cannot be,
    // and then `scheduleProblem` says why.
    Q_PROPERTY(QVariant schedule READ schedule NOTIFY scheduleChanged)
    Q_PROPERTY(QString scheduleProblem READ scheduleProblem NOTIFY scheduleChanged)
public:
    enum Role { TitleRole = Qt::UserRole + 1, AddressRole, FactsRole, StatusRole, FailedRole };

    explicit Following(QObject *parent = nullptr);
    ~Following() override;

    [[nodiscard]] int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

    [[nodiscard]] bool busy() const { return m_busy; }
    [[nodiscard]] QString problem() const { return m_problem; }
    [[nodiscard]] QString notice() const { return m_notice; }
    [[nodiscard]] QVariant schedule() const { return m_schedule ? QVariant(*m_schedule) : QVariant(); }
    [[nodiscard]] QString scheduleProblem() const { return m_scheduleProblem; }

    // Reads the shows again from the record.
    Q_INVOKABLE void reload();
    // Whether the feed `input` names is followed (at the address it is read from now).
    [[nodiscard]] Q_INVOKABLE bool isFollowed(const QString &input) const;
    // Follows the feed `input` names, in the Get pane's choices (their positions in the pickers).
    Q_INVOKABLE void follow(const QString &input, int format, int quality, int sound);
    Q_INVOKABLE void unfollow(const QString &address);
    // Follows every feed an OPML file (another app's export) or a list of lines names, in these choices.
    Q_INVOKABLE void importFrom(const QUrl &file, int format, int quality, int sound);
    // Writes the shows as OPML, for another app; false (and `problem` says why) when it could not.
    Q_INVOKABLE bool exportTo(const QUrl &file);
    // Why the file chooser cannot open here; empty when it can.
    [[nodiscard]] Q_INVOKABLE QString fileDialogProblem() const;
    Q_INVOKABLE void refreshSchedule();
    Q_INVOKABLE void setSchedule(bool on);

    // "Checked today at 14:03 · 2 new", "Not checked yet", or the check's failure.
    [[nodiscard]] static QString statusText(const Show &show, const QDateTime &now);

signals:
    void countChanged();
    void busyChanged();
    void problemChanged();
    void noticeChanged();
    void scheduleChanged();

private:
    // Follows each address in turn; says how it went once all are done.
    QCoro::Task<void> followTask(QStringList inputs, int format, int quality, int sound, bool importing);
    void setNotice(const QString &notice);
    QCoro::Task<void> scheduleTask(std::optional<bool> wanted);
    void setProblem(const QString &problem);

    std::shared_ptr<History> m_history;
    QList<Show> m_shows;
    bool m_busy = false;
    QString m_problem;
    QString m_notice;
    std::optional<bool> m_schedule;
    QString m_scheduleProblem;
};

} // namespace tovel
