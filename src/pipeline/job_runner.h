#pragma once

#include "core/http.h"
#include "pipeline/gather_lines.h"
#include "pipeline/job.h"
#include "pipeline/job_context.h"
#include "pipeline/selection.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

namespace tovel {

class History;
class JobControl;
class WebEngine;

// Turns one request into jobs and carries each through its steps to a file (see job_pipeline.h).
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
    // What a runner works with, given once: where files go, the lines it waits in, where saved files are
    // noted and looked up (none: nothing is), the web engine for links no source reads (none: such links
    // are not offered to one), the user agent, read afresh for each gathering, and how long jobs wait.
    struct Setup
    {
        QString destination;
        std::shared_ptr<GatherLines> lines = std::make_shared<GatherLines>();
        std::shared_ptr<History> history = {};
        WebEngine *engine = nullptr;
        std::function<QString()> userAgent = {};
        PipelineTimings timings = {};
    };

    explicit JobRunner(Setup setup, QObject *parent = nullptr);
    // Into `destination`, with lines of its own and nothing else.
    explicit JobRunner(const QString &destination, QObject *parent = nullptr);
    ~JobRunner() override;

    // Resolves the input and starts a job per item (at most `limit`). Returns once the jobs are started,
    // or as soon as `cancelAll` (or the runner's end) cancels the resolution, which then ends quietly.
    // With a history, an item it has saved before in this format and quality ends at once, already
    // saved, unless `again` is set. `sound` says what is done to the sound of each. Several inputs (lines,
    // or a list file) are each gathered with their own `limit`, their jobs told the `line` they came from.
    // Only the items `selection` takes are gathered (of each input, for a list).
    QCoro::Task<void> run(QString input, AudioFormat format, AudioQuality quality, int limit, bool again = false,
                          SoundOptions sound = {}, int line = 0, Selection selection = {});
    // Starts a job for each of `items`, read already (a followed show's new episodes, in show_update.cpp),
    // and returns them; none when ffmpeg is missing, which `lastError` then says. `again` as for `run`.
    QList<Job *> startItems(const MediaItems &items, AudioFormat format, AudioQuality quality, SoundOptions sound,
                            bool again = false);
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
    [[nodiscard]] QString destination() const { return m_setup.destination; }
    // Inputs of the lists gathered so far that could not be read.
    [[nodiscard]] int unreadInputs() const { return m_unreadInputs; }

    // Job tasks of this runner that have not yet ended (a cancelled job's task may still be tidying up).
    [[nodiscard]] int activeTasks() const { return m_activeTasks; }
    // Job tasks still running in this process, whichever runner started them: what must end before the
    // temporary folder is all tidied up.
    [[nodiscard]] static int liveTasks();

    [[nodiscard]] GatherLines &lines() const { return *m_setup.lines; }

signals:
    void jobAdded(tovel::Job *job);
    void lastErrorChanged();
    // Notices came that no job's start brings along (the lines of a list that could not be read).
    void noticed();
    void activeTasksChanged();

private:
    void setLastError(std::optional<QString> error);
    // What the jobs of one gathering share, made as it starts.
    [[nodiscard]] JobContext makeContext() const;
    // What each job of a gathering is to make.
    struct Wanted
    {
        AudioFormat format;
        AudioQuality quality;
        SoundOptions sound;
        int line;
    };
    void startJob(const MediaItem &item, const Wanted &wanted, bool again, const JobContext &context);
    // Gathers each input in turn (in input_list.cpp).
    QCoro::Task<void> runList(QStringList inputs, Wanted wanted, int limit, bool again, Selection selection);
    [[nodiscard]] JobPhase firstPhase(const MediaItem &item) const;
    void launch(Job *job, const JobContext &context);
    static QCoro::Task<void> runTask(std::shared_ptr<JobControl> control, JobContext context,
                                     QPointer<JobRunner> runner);

    Setup m_setup;
    QList<Job *> m_jobs;
    QHash<Job *, std::shared_ptr<JobControl>> m_controls;
    std::optional<QString> m_lastError;
    QStringList m_notices;
    QList<std::shared_ptr<Cancellation>> m_resolutions;
    std::shared_ptr<SharedCovers> m_covers = std::make_shared<SharedCovers>();
    int m_activeTasks = 0;
    int m_unreadInputs = 0;
};

} // namespace tovel
