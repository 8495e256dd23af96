#pragma once

#include "core/http.h"
#include "pipeline/conversion.h"
#include "pipeline/gather_lines.h"
#include "pipeline/job.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QProcess>

#include <chrono>
#include <memory>
#include <optional>

namespace tovel {

class Fetcher;
class History;
struct SharedCover;

// Turns one request into jobs and carries each through download and conversion to a file.
//
// Every job runs as its own task. How many convert and download at once is up to the runner's
// `GatherLines`; a job waiting for a conversion is served in the order the jobs were created and
// shows as `waiting` meanwhile.
//
// Discarding a runner cancels its unfinished jobs: downloads are aborted, ffmpeg and the web engine are
// ended, and each job's task winds down on its own afterwards, removing its temporary files and any
// partial output. The tasks never touch the runner or its jobs once they are gone.
class JobRunner : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString lastError READ lastErrorText NOTIFY lastErrorChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY lastErrorChanged)
public:
    explicit JobRunner(QObject *parent = nullptr);
    explicit JobRunner(QString destination, std::shared_ptr<GatherLines> lines = GatherLines::shared(),
                       QObject *parent = nullptr);
    ~JobRunner() override;

    // Resolves the input and starts a job per item (at most `limit`). Returns once the jobs are started,
    // or as soon as `cancelAll` (or the runner's end) cancels the resolution, which then ends quietly.
    // With a history, an item it has saved before in this format and quality ends at once, already
    // saved, unless `again` is set.
    QCoro::Task<void> run(QString input, AudioFormat format, AudioQuality quality, int limit, bool again = false);
    Q_INVOKABLE void cancel(tovel::Job *job);
    // Starts a job that was already saved over again, as a new file beside the one saved before.
    Q_INVOKABLE void gatherAgain(tovel::Job *job);
    void cancelAll();

    // Newest first.
    [[nodiscard]] const QList<Job *> &jobs() const { return m_jobs; }
    [[nodiscard]] const std::optional<QString> &lastError() const { return m_lastError; }
    [[nodiscard]] QString lastErrorText() const { return m_lastError.value_or(QString()); }
    [[nodiscard]] bool hasError() const { return m_lastError.has_value(); }
    Q_INVOKABLE void clearLastError();
    // What the user should know of the inputs read since this was last asked (a feed read despite its
    // errors), a sentence each.
    [[nodiscard]] QStringList takeNotices() { return std::exchange(m_notices, {}); }
    [[nodiscard]] QString destination() const { return m_destination; }

    // Job tasks of this runner that have not yet ended (a cancelled job's task may still be tidying up).
    [[nodiscard]] int activeTasks() const { return m_activeTasks; }
    // Job tasks still running in this process, whichever runner started them.
    [[nodiscard]] static int liveTasks();

    [[nodiscard]] GatherLines &lines() const { return *m_lines; }

    // How long a download waits before its second, third and fourth try, when the server does not say.
    void setRetryWaits(QList<int> seconds) { m_retryWaits = std::move(seconds); }

    // How long a download may bring less than 1 KiB, and a conversion report no progress, before it is
    // given up.
    struct StallWindows
    {
        std::chrono::milliseconds download{60'000};
        std::chrono::milliseconds conversion = conversionStallWindow;
    };
    void setStallWindows(StallWindows windows) { m_stallWindows = windows; }

    // Cover pictures being fetched or in use by this runner's jobs, by address.
    using Covers = QHash<QString, std::weak_ptr<SharedCover>>;

    // Where saved files are noted, and looked up before gathering; none by default.
    void setHistory(std::shared_ptr<History> history) { m_history = std::move(history); }

signals:
    void jobAdded(tovel::Job *job);
    void lastErrorChanged();
    void activeTasksChanged();

private:
    friend struct JobTask;

    void setLastError(std::optional<QString> error);
    void startJob(const MediaItem &item, AudioFormat format, AudioQuality quality, bool again);
    [[nodiscard]] JobPhase firstPhase(const MediaItem &item) const;
    void launch(Job *job);

    QString m_destination;
    std::shared_ptr<GatherLines> m_lines;
    QList<Job *> m_jobs;
    std::optional<QString> m_lastError;
    QStringList m_notices;
    QHash<QUuid, QPointer<Fetcher>> m_fetchers;
    QHash<QUuid, QPointer<QProcess>> m_converters;
    QHash<QUuid, QPointer<QProcess>> m_engines;
    QList<std::shared_ptr<Cancellation>> m_resolutions;
    QList<int> m_retryWaits{1, 4, 15};
    std::shared_ptr<History> m_history;
    StallWindows m_stallWindows;
    std::shared_ptr<Covers> m_covers = std::make_shared<Covers>();
    int m_activeTasks = 0;
};

} // namespace tovel
