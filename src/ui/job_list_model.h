#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QQmlEngine>

namespace tovel {

class Job;
class JobRunner;

// A runner's jobs as a list, newest first. Each row hands out its `Job`: a card binds to the job's own
// properties, so a progress tick repaints that one card and the list itself only ever grows at the front.
class JobListModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The gathering owns its list of jobs.")
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
public:
    enum Role { JobRole = Qt::UserRole + 1 };

    explicit JobListModel(JobRunner *runner, QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    QList<QPointer<Job>> m_jobs;
};

} // namespace tovel
