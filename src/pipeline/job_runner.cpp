#include "pipeline/job_runner.h"

#include "core/url_text.h"
#include "engine/manifest.h"
#include "engine/tools.h"
#include "engine/web_engine.h"
#include "pipeline/history.h"
#include "pipeline/input_list.h"
#include "pipeline/job_control.h"
#include "pipeline/job_pipeline.h"
#include "pipeline/selection.h"
#include "pipeline/source_router.h"
#include "platform/leftovers.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QPointer>

namespace tovel {

namespace {

int &liveTaskCount()
{
    static int count = 0;
    return count;
}

quint64 nextSequence()
{
    static quint64 sequence = 0;
    return ++sequence;
}

} // namespace

JobRunner::JobRunner(Setup setup, QObject *parent) : QObject(parent), m_setup(std::move(setup))
{
    if (!m_setup.lines)
        m_setup.lines = std::make_shared<GatherLines>();
}

JobRunner::JobRunner(const QString &destination, QObject *parent) : JobRunner(Setup{.destination = destination}, parent)
{}

JobRunner::~JobRunner()
{
    cancelAll();
    // The jobs go with the runner; waiters in the conversion line notice and leave it.
    qDeleteAll(m_jobs);
    m_jobs.clear();
    m_setup.lines->recheck();
}

int JobRunner::liveTasks()
{
    return liveTaskCount();
}

void JobRunner::setLastError(std::optional<QString> error)
{
    if (m_lastError == error)
        return;
    m_lastError = std::move(error);
    emit lastErrorChanged();
}

void JobRunner::clearLastError()
{
    setLastError(std::nullopt);
}

JobContext JobRunner::makeContext() const
{
    return JobContext{
        m_setup.destination, m_setup.userAgent ? m_setup.userAgent() : EngineManifest::builtIn().userAgent,
        Tools::ffmpegPath(), m_setup.engine,
        m_setup.history,     m_setup.lines,
        m_setup.timings,     m_covers};
}

QCoro::Task<void> JobRunner::run(QString input, AudioFormat format, AudioQuality quality, int limit, bool again,
                                 SoundOptions sound, int line, Selection selection)
{
    QPointer<JobRunner> self(this);
    setLastError(std::nullopt);
    if (const auto listed = line == 0 ? listedInputs(input) : std::nullopt) {
        if (*listed)
            co_await runList(**listed, {format, quality, sound, 0}, limit, again, selection);
        else
            setLastError(listed->error().description());
        co_return;
    }
    // What a Tovel killed mid-way left here is no one's any more.
    paths::removeLeftoversOnce({paths::temporary(), m_setup.destination});
    const JobContext context = makeContext();
    if (!context.ffmpeg) {
        setLastError(QCoreApplication::translate("Tovel", "ffmpeg is not installed. Tovel needs it to convert audio."));
        co_return;
    }

    // Only a web link no built-in source reads involves the engine, and only then is it asked for its
    // version; a program that does not answer in time counts as not installed.
    WebEngine *engine = m_setup.engine;
    if (engine && !SourceRouter::sourceType(input) && engine->isReady() && WebEngine::looksLikeWebLink(input)) {
        const bool answers = co_await engine->probe();
        if (!self)
            co_return;
        if (const auto url = parseUrl(trimWhitespace(input)); answers && url) {
            const QString host = url->url.host();
            MediaItem item(host.isEmpty() ? QStringLiteral("Web link") : host, url->url,
                           QCoreApplication::translate("Tovel", "Web engine \u00b7 ") + host, std::nullopt, input);
            startJob(item, {format, quality, sound, line}, again, context);
            if (m_activeTasks == 0)
                emit activeTasksChanged();
            co_return;
        }
    }

    auto cancellation = std::make_shared<Cancellation>();
    m_resolutions.append(cancellation);
    auto notices = std::make_shared<QStringList>();
    // Named, not a temporary in the co_await: g++ 12 cannot build such a temporary there.
    ResolveContext reading;
    reading.userAgent = context.userAgent;
    reading.cancellation = cancellation;
    reading.notices = notices;
    const Result<MediaItems> items = co_await SourceRouter::resolve(input, reading);
    if (!self || cancellation->isCancelled())
        co_return;
    m_resolutions.removeOne(cancellation);
    m_notices += *notices;
    if (!items) {
        setLastError(items.error().description());
        co_return;
    }
    const Result<MediaItems> chosen = selectItems(*items, selection);
    if (!chosen) {
        setLastError(chosen.error().description());
        co_return;
    }
    const qsizetype count = std::min<qsizetype>(std::max(0, limit), chosen->size());
    for (qsizetype i = 0; i < count; ++i)
        startJob(chosen->at(i), {format, quality, sound, line}, again, context);
    // Every item may have been saved before: then no task starts, and none will end to say so.
    if (count > 0 && m_activeTasks == 0)
        emit activeTasksChanged();
}

// A job shows what it does first; it is queued only when its line is full.
JobPhase JobRunner::firstPhase(const MediaItem &item) const
{
    if (item.engineLink)
        return JobPhase::Kind::fetching;
    if (item.url.isLocalFile())
        return JobPhase::Kind::converting;
    const Limiter &line = m_setup.lines->downloads(item.url.host());
    return line.inUse() >= line.capacity() ? JobPhase::Kind::waiting : JobPhase::Kind::fetching;
}

void JobRunner::startJob(const MediaItem &item, const Wanted &wanted, bool again, const JobContext &context)
{
    const auto [format, quality, sound, line] = wanted;
    auto *job = new Job(item, format, quality, sound, nextSequence(), this);
    job->setLine(line);
    m_jobs.prepend(job);
    const std::shared_ptr<History> &history = m_setup.history;
    if (const auto saved = history && !again
            ? history->savedOutput(item.identity, format, quality, sound, m_setup.destination)
            : std::nullopt) {
        job->finishAsAlreadySaved(QUrl::fromLocalFile(*saved));
        emit jobAdded(job);
        return;
    }
    job->setPhase(firstPhase(item));
    emit jobAdded(job);
    launch(job, context);
}

void JobRunner::launch(Job *job, const JobContext &context)
{
    ++m_activeTasks;
    emit activeTasksChanged();
    auto control = std::make_shared<JobControl>(job);
    m_controls.insert(job, control);
    runTask(control, context, this);
}

// Runs a job's task to its end and keeps the counts of running tasks; the task owns what it needs.
QCoro::Task<void> JobRunner::runTask(std::shared_ptr<JobControl> control, JobContext context,
                                     QPointer<JobRunner> runner)
{
    ++liveTaskCount();
    co_await runJob(control, std::move(context));
    --liveTaskCount();
    if (runner) {
        if (runner->m_controls.value(control->job()) == control)
            runner->m_controls.remove(control->job());
        --runner->m_activeTasks;
        emit runner->activeTasksChanged();
    }
}

void JobRunner::gatherAgain(Job *job)
{
    if (!job || !job->alreadySaved() || !m_jobs.contains(job))
        return;
    // A new place in the conversion line, after the jobs already waiting.
    job->restart(firstPhase(job->item()), nextSequence());
    launch(job, makeContext());
}

void JobRunner::cancel(Job *job)
{
    if (!job)
        return;
    if (const std::shared_ptr<JobControl> control = m_controls.value(job))
        control->cancel();
    else
        job->setPhase(JobPhase::Kind::cancelled);
    m_setup.lines->recheck();
}

void JobRunner::cancelAll()
{
    // Taken first: a cancelled resolution may end, and leave the list, right inside its cancel.
    const QList<std::shared_ptr<Cancellation>> resolutions = std::exchange(m_resolutions, {});
    for (const auto &resolution : resolutions)
        resolution->cancel();
    for (Job *job : std::as_const(m_jobs))
        if (!job->isFinished())
            cancel(job);
}

} // namespace tovel
