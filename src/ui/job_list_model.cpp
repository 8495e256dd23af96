#include "ui/job_list_model.h"

#include "pipeline/job_runner.h"

namespace tovel {

JobListModel::JobListModel(JobRunner *runner, QObject *parent) : QAbstractListModel(parent)
{
    for (Job *job : runner->jobs())
        m_jobs.append(job);
    // The runner puts a new job at the front of its list; so does this one.
    connect(runner, &JobRunner::jobAdded, this, [this](Job *job) {
        beginInsertRows(QModelIndex(), 0, 0);
        m_jobs.prepend(job);
        endInsertRows();
        emit countChanged();
    });
}

int JobListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_jobs.size());
}

QVariant JobListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) || role != JobRole)
        return {};
    return QVariant::fromValue<QObject *>(m_jobs.at(index.row()).data());
}

QHash<int, QByteArray> JobListModel::roleNames() const
{
    return {{JobRole, "job"}};
}

} // namespace tovel
