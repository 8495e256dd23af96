#pragma once

#include "core/error.h"
#include "core/media.h"
#include "pipeline/shows.h"
#include "sources/source_table.h"

#include <QCoroTask>
#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <memory>
#include <optional>

namespace tovel {

class History;
class Job;
class JobRunner;

// What a followed show's feed host answered when asked for anything newer than the copy last read.
struct FeedCheck
{
    bool unchanged = false; // 304: nothing newer, and no body came
    QByteArray body;
    QUrl address;                // where the document finally came from
    std::optional<QUrl> movedTo; // where the feed has moved for good: every redirect on the way was permanent
    QByteArray etag;
    QByteArray lastModified;
};

// Asks for the feed at `address`, only for something newer than what `etag` and `lastModified` describe
// when either is given. Redirects are followed, at most ten and never from https to anything less; an
// answer other than 2xx or 304 fails with a sentence naming it.
QCoro::Task<Result<FeedCheck>> checkFeed(QUrl address, QByteArray etag, QByteArray lastModified,
                                         ResolveContext context);

// Reads the feed at `address` and follows its show: the episodes it lists now count as known, so only
// later ones are gathered by an update.
QCoro::Task<Result<Show>> followShow(std::shared_ptr<History> history, QString address, AudioFormat format,
                                     AudioQuality quality, SoundOptions sound, ResolveContext context);

// One check of every followed show: each feed is asked for what is new (no more feed requests to a host
// at once than downloads), and each new episode becomes a job of `runner` in its show's format and
// quality, so the per-host limit holds across shows. As jobs end, their episodes are noted as known and
// the ones saved as arrived.
//
// One check at a time on this computer, until its last job has ended: two at once (the schedule's and
// the window's) would each find the same episodes new and save them twice. A check that finds another
// under way does nothing and says so.
class ShowUpdate : public QObject
{
    Q_OBJECT
public:
    ShowUpdate(JobRunner &runner, std::shared_ptr<History> history, QObject *parent = nullptr);

    // Checks every show and starts the jobs; returns once every check has ended.
    QCoro::Task<void> start(ResolveContext context);
    // `update.lock` beside the history, held by the check under way.
    [[nodiscard]] static QString lockPath();

    [[nodiscard]] int showCount() const { return m_showCount; }
    // Whether another check was under way, so this one did nothing (its problem says so).
    [[nodiscard]] bool skipped() const { return m_skipped; }
    // Whether the record of the shows could not be used (the history's notices say why).
    [[nodiscard]] bool unusable() const { return m_unusable; }
    [[nodiscard]] int unchanged() const { return m_unchanged; }
    // "Show: why", for each show whose check failed.
    [[nodiscard]] const QStringList &problems() const { return m_problems; }
    // Episodes saved by this update, and the shows they came from.
    [[nodiscard]] int arrived() const { return m_arrived; }
    [[nodiscard]] int arrivedShows() const { return int(m_arrivedFrom.size()); }
    // "3 new episodes from 2 shows", "1 new episode from Field Notes"; empty when nothing arrived.
    [[nodiscard]] QString arrivalText() const;

signals:
    // A show's check, or one of its episodes, changed what is stored of it.
    void showChanged();

private:
    QCoro::Task<void> check(Show show, ResolveContext context);
    void watch(Job *job, const Show &show);
    // Lets the next check start once this one's checks and jobs have all ended.
    void releaseWhenDone();

    QPointer<JobRunner> m_runner;
    std::shared_ptr<History> m_history;
    int m_showCount = 0;
    int m_unchanged = 0;
    int m_arrived = 0;
    QHash<qint64, QString> m_arrivedFrom; // show id → title
    QHash<QString, int> m_titles;         // how many shows have each title
    QSet<Job *> m_noted;
    QSet<Job *> m_running;
    bool m_checking = false;
    bool m_skipped = false;
    bool m_unusable = false;
    std::unique_ptr<QLockFile> m_lock;
    QStringList m_problems;
};

} // namespace tovel
