#include "pipeline/job_runner.h"

#include "core/fetcher.h"
#include "core/media_extensions.h"
#include "core/output_naming.h"
#include "core/url_text.h"
#include "engine/manifest.h"
#include "engine/tools.h"
#include "engine/web_engine.h"
#include "pipeline/conversion.h"
#include "pipeline/history.h"
#include "pipeline/source_router.h"
#include "platform/child_process.h"
#include "platform/leftovers.h"
#include "platform/paths.h"
#include "sources/local_sources.h"

#include <QCoroTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

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

// A cover picture shared by the jobs of one runner: fetched by the first job that wants it, removed once
// the last job holding it lets go.
struct SharedCover
{
    bool ready = false;
    bool usable = true; // false once ffmpeg could not use it
    QString path;       // empty when there is no picture to use
    SharedCover() = default;
    SharedCover(const SharedCover &) = delete;
    SharedCover &operator=(const SharedCover &) = delete;
    ~SharedCover()
    {
        if (!path.isEmpty())
            QFile::remove(path);
    }
};

// One job's whole way, from its first step to its last. It holds everything it needs itself and reaches
// the runner and the job only through guarded pointers, so it can finish safely after either is gone.
struct JobTask
{
    QPointer<JobRunner> runner;
    QPointer<Job> job;
    MediaItem item;
    AudioFormat format;
    AudioQuality quality;
    quint64 sequence;
    QString destination;
    std::shared_ptr<GatherLines> lines;
    QList<int> retryWaits;
    std::shared_ptr<History> history;
    JobRunner::StallWindows stallWindows;
    std::shared_ptr<JobRunner::Covers> covers;

    [[nodiscard]] bool cancelled() const { return !job || job->isCancelled(); }
    void setPhase(const JobPhase &phase) const
    {
        if (job)
            job->setPhase(phase);
    }
    // A failure never replaces a cancel.
    void failWith(const QString &message) const
    {
        if (!cancelled())
            job->setPhase(JobPhase::failed(message));
    }
    void setProgress(double progress) const
    {
        if (job)
            job->setProgress(progress);
    }

    // A place in `line` for as long as the job is neither cancelled nor gone.
    QCoro::Task<std::optional<Limiter::Permit>> waitInLine(Limiter &line) const
    {
        QPointer<Job> watched = job;
        // Callbacks are named before the co_await: g++ 12 destroys lambda temporaries in one twice.
        std::function<bool()> stillWanted = [watched] { return watched && !watched->isCancelled(); };
        co_return co_await line.acquire(sequence, job.data(), stillWanted);
    }

    QCoro::Task<std::optional<Limiter::Permit>> waitForConversionSlot() const
    {
        Limiter &line = lines->conversions();
        if (line.inUse() >= line.capacity() && !cancelled())
            setPhase(JobPhase::Kind::waiting);
        co_return co_await waitInLine(line);
    }

    static void removeFile(const QString &path)
    {
        if (!path.isEmpty())
            QFile::remove(path);
    }

    // The output is complete: the job is done, and the history notes it.
    void finish(const QString &output) const
    {
        if (history)
            history->record(item.identity, item.origin, format, quality, output);
        job->setProgress(1.0);
        job->setOutput(QUrl::fromLocalFile(output));
        job->setPhase(JobPhase::Kind::done);
    }

    QCoro::Task<void> run()
    {
        if (item.engineLink)
            co_await runWebEngine();
        else if (item.url.isLocalFile())
            co_await runLocal();
        else
            co_await runRemote();
    }

    // A local file is read where it is: ffmpeg only reads its input, and a copy of a large video would
    // cost its whole size again in the temporary folder.
    QCoro::Task<void> runLocal()
    {
        const QByteArray bytes = localFileBytes(item.url);
        if (roundTrips(bytes)) {
            co_await readLocal(QFile::decodeName(bytes));
            co_return;
        }
        // ffmpeg gets its arguments as UTF-8 text, which cannot carry a name that is not UTF-8: it reads
        // the file through a link of ours whose name it can be given, in a working folder of this job.
        const QString folder = paths::temporary() + u'/' + paths::temporaryName(QString());
        const QString extension = item.hintedExtension.value_or(QString());
        const QString link = folder + QStringLiteral("/input") + (extension.isEmpty() ? QString() : u'.' + extension);
        if (!QDir().mkpath(folder) || ::symlink(bytes.constData(), QFile::encodeName(link).constData()) != 0) {
            QDir(folder).removeRecursively();
            failWith(
                QStringLiteral("Could not read %1. Its name could not be handed to ffmpeg.").arg(displayName(bytes)));
            co_return;
        }
        co_await readLocal(link);
        QDir(folder).removeRecursively();
    }

    QCoro::Task<void> readLocal(QString source)
    {
        // A pipe would block the open, and a device never ends: only a file (or a link to one) is read.
        if (const QFileInfo info(source); info.exists() && !info.isFile()) {
            failWith(QStringLiteral("Could not read that file. It is not a regular file."));
            co_return;
        }
        QFile readable(source);
        if (!readable.open(QIODevice::ReadOnly)) {
            failWith(QStringLiteral("Could not read that file. ") + readable.errorString());
            co_return;
        }
        readable.close();
        co_await convertStep(source, false);
    }

    // Waits `seconds`, or less when the job is cancelled meanwhile.
    QCoro::Task<void> pause(int seconds) const
    {
        QElapsedTimer clock;
        clock.start();
        while (!cancelled() && clock.elapsed() < seconds * 1000LL)
            co_await QCoro::sleepFor(std::chrono::milliseconds(100));
    }

    // Fetches the item's file, trying again when a try breaks off, times out or meets 408, 429 or 5xx
    // (up to four tries in all, counted in `attempt` across calls), resuming where that is sound. A file
    // that does not match what its publisher lists is fetched once more from the start, then given up.
    // Between tries the job leaves its host's line, so other downloads go on.
    QCoro::Task<Result<QString>> fetchWithRetries(Fetcher *fetcher, int *attempt)
    {
        const QUuid id = job->id();
        QPointer<Job> target = job;
        std::function<void(double)> progress = [target](double fraction) {
            if (target && !target->isFinished())
                target->setProgress(std::max(target->progress(), fraction * 0.7));
        };
        int mismatches = 0;
        Result<QString> fetched = fail(Error::plain(QString()));
        for (;;) {
            ++*attempt;
            std::optional<Limiter::Permit> hostPermit = co_await waitInLine(lines->downloads(item.url.host()));
            if (!hostPermit || cancelled()) {
                fetcher->discard();
                co_return fail(cancelledError());
            }
            setPhase(JobPhase::Kind::fetching);
            if (runner)
                runner->m_fetchers.insert(id, fetcher);
            const QString userAgent = ManifestStore::shared().manifest().userAgent;
            const std::optional<qint64> noLimit;
            fetched = co_await fetcher->fetch(item.url, userAgent, progress, noLimit);
            if (runner)
                runner->m_fetchers.remove(id);
            hostPermit.reset();
            if (fetcher->lastFailure().mismatch)
                ++mismatches;
            if (fetched || cancelled() || !fetcher->lastFailure().retryable || *attempt >= Fetcher::maxTries
                || mismatches > 1)
                break;
            const int wait
                = std::min(60, fetcher->lastFailure().retryAfter.value_or(retryWaits.value(*attempt - 1, 15)));
            setPhase(JobPhase::retrying(*attempt + 1));
            co_await pause(wait);
        }
        fetcher->discard();
        co_return fetched;
    }

    // A remote file: fetched, then converted. A download that proves shorter than the media in it says,
    // and whose length the server never gave, was cut without a word: it is fetched again, within the
    // same four tries.
    QCoro::Task<void> runRemote()
    {
        auto fetcher = std::make_unique<Fetcher>();
        fetcher->expect(item.listed);
        fetcher->setStallWindow(stallWindows.download);
        int attempt = 0;
        for (;;) {
            const Result<QString> fetched = co_await fetchWithRetries(fetcher.get(), &attempt);
            if (!fetched) {
                if (!isCancelledError(fetched.error()))
                    failWith(QStringLiteral("Fetch failed. ") + fetched.error().description());
                co_return;
            }
            if (cancelled()) {
                removeFile(*fetched);
                co_return;
            }
            const Download download = fetcher->provedWhole() ? Download::whole
                : attempt < Fetcher::maxTries                ? Download::unproven
                                                             : Download::lastUnproven;
            if (co_await convertStep(*fetched, true, download) != Outcome::cutShort)
                co_return;
            setPhase(JobPhase::retrying(attempt + 1));
        }
    }

    QCoro::Task<void> runWebEngine()
    {
        setPhase(JobPhase::Kind::fetching);
        const QUuid id = job->id();
        QPointer<JobRunner> owner = runner;
        QPointer<Job> target = job;
        WebEngine::StartCallback onStart = [owner, id](QProcess *process) {
            if (owner)
                owner->m_engines.insert(id, process);
        };
        WebEngine::ProgressCallback progress = [target](double fraction) {
            if (target)
                target->setProgress(fraction * 0.7);
        };
        const Result<WebDownload> downloaded
            = co_await WebEngine::shared().download(*item.engineLink, isVideo(format), onStart, progress);
        if (runner)
            runner->m_engines.remove(id);
        if (!downloaded) {
            failWith(downloaded.error().description());
            co_return;
        }
        if (job)
            job->setTitle(downloaded->title);
        const QString workingFolder = downloaded->workingFolder;
        if (!cancelled())
            co_await convertStep(downloaded->file);
        if (!workingFolder.isEmpty())
            QDir(workingFolder).removeRecursively();
    }

    // Runs a task to its end and keeps the counts of running tasks; the task owns itself.
    static QCoro::Task<void> launch(std::unique_ptr<JobTask> task)
    {
        ++liveTaskCount();
        co_await task->run();
        --liveTaskCount();
        if (task->runner) {
            --task->runner->m_activeTasks;
            emit task->runner->activeTasksChanged();
        }
    }

    // The item's cover picture, for a file that brings none: fetched like any download, once for all the
    // jobs of the runner that want it. Whatever goes wrong with it only leaves the file without one.
    QCoro::Task<std::shared_ptr<SharedCover>> coverFor(const QUrl &address)
    {
        const QString key = address.toString(QUrl::FullyEncoded);
        std::shared_ptr<SharedCover> cover = covers ? covers->value(key).lock() : nullptr;
        if (cover) {
            while (!cover->ready && !cancelled())
                co_await QCoro::sleepFor(std::chrono::milliseconds(50));
            co_return cover;
        }
        cover = std::make_shared<SharedCover>();
        if (covers)
            covers->insert(key, cover);
        auto fetcher = std::make_unique<Fetcher>();
        const QUuid id = job->id();
        if (runner)
            runner->m_fetchers.insert(id, fetcher.get());
        const QString userAgent = ManifestStore::shared().manifest().userAgent;
        std::function<void(double)> noProgress;
        const std::optional<qint64> coverLimit = maxCoverBytes;
        const Result<QString> picture = co_await fetcher->fetch(address, userAgent, noProgress, coverLimit);
        if (runner)
            runner->m_fetchers.remove(id);
        fetcher->discard();
        if (picture && isCoverPicture(*picture))
            cover->path = *picture;
        else if (picture)
            removeFile(*picture);
        cover->ready = true;
        co_return cover;
    }

    enum class Outcome { ended, cutShort };

    // How far a download's completeness is known, as far as the media in it can tell more.
    enum class Download {
        none,        // not a download (a local file, or what the web engine brought)
        whole,       // its length was announced and met, or its publisher's digest matched
        unproven,    // it just stopped, with no length said: may be fetched again when it proves short
        lastUnproven // the same, with no try left
    };

    // Converts `input` into a hidden file beside its destination, checks what came out, and only then
    // gives it its name. When `input` is a temporary file of ours it is removed afterwards, whatever
    // happens. What the input holds decides the way: encoding waits for a conversion slot, while a
    // stream copy barely touches the processor and goes straight on.
    // A file shorter than its own header says: a download of unknown length was cut without a word, so
    // the step ends `cutShort` (nothing saved) to have it fetched again, and fails when no try is left;
    // a source that is itself short (a local file, a download known to be whole) is saved with a warning.
    QCoro::Task<Outcome> convertStep(QString input, bool ours = true, Download download = Download::none)
    {
        const bool unproven = download == Download::unproven || download == Download::lastUnproven;
        const auto removeInput = [&input, ours] {
            if (ours)
                removeFile(input);
        };
        const QUuid id = job->id();
        QPointer<JobRunner> owner = runner;
        QPointer<Job> target = job;
        std::function<void(QProcess *)> onStart = [owner, id](QProcess *process) {
            if (owner)
                owner->m_converters.insert(id, process);
        };
        // Every input is asked first what it holds: its own tags must win over what the source knows,
        // and MP4 takes its audio differently from a video's. A plain WAV or AIFF on its way to another
        // format tells its tags in its own header, read here at once: an ffmpeg run for each would cost
        // a fifth of the time of converting a short one.
        std::optional<MediaProbe> probe;
        std::optional<MediaProbe> ownTags;
        const QString kind = item.hintedExtension.value_or(fileExtension(input)).toLower();
        const bool plain
            = kind == QLatin1String("wav") || kind == QLatin1String("aif") || kind == QLatin1String("aiff");
        if (plain && !unproven && format != AudioFormat::wav && format != AudioFormat::mp4) {
            if (auto tags = headerTags(input)) {
                ownTags = MediaProbe();
                ownTags->tags = std::move(*tags);
            }
        }
        const auto ffmpeg = Tools::ffmpegPath();
        if (ffmpeg && !ownTags)
            probe = co_await probeMedia(*ffmpeg, input, onStart);
        if (probe)
            ownTags = probe;
        const std::optional<double> declared = declaredLength(probe, input);
        std::shared_ptr<SharedCover> cover;
        if (item.tags.image && wantsCover(format, probe) && !cancelled())
            cover = co_await coverFor(*item.tags.image);
        std::optional<Limiter::Permit> permit;
        if (!cancelled() && !copiesStreams(format, quality, probe))
            permit = co_await waitForConversionSlot();
        if (cancelled() || (!permit && !copiesStreams(format, quality, probe))) {
            removeInput();
            co_return Outcome::ended;
        }
        setProgress(0.75);
        setPhase(JobPhase::Kind::converting);
        const QString title = job->title();
        const Result<QString> staged = stagingOutput(format, destination);
        if (!staged) {
            removeInput();
            failWith(QStringLiteral("Conversion failed. ") + staged.error().description());
            co_return Outcome::ended;
        }
        job->setPartialOutput(*staged);
        const auto abandon = [&](const QString &why) {
            removeFile(*staged);
            if (target)
                target->setPartialOutput(QString());
            if (!why.isEmpty())
                failWith(why);
        };
        // The length of media in the file to be saved, as read from that file.
        std::optional<double> written;
        const QString coverPath = cover && cover->usable ? cover->path : QString();
        if (ours && coverPath.isEmpty() && isAlreadyTheFile(format, quality, probe, title, item.tags)) {
            // A download that already is the file wanted (an MP3 episode gathered as MP3) is moved into
            // place as it is, as fast as a file can be, tags and cover included. Only one not known to
            // be whole is read through first, to see it holds what it says.
            permit.reset();
            if (unproven && ffmpeg)
                written = co_await measureLength(*ffmpeg, input, onStart);
            else
                written = declared;
            if (runner)
                runner->m_converters.remove(id);
            if (cancelled()) {
                removeInput();
                abandon(QString());
                co_return Outcome::ended;
            }
            // Over our own hidden file: renamed where the temporary folder shares the disk, else copied.
            // A download is private while it arrives; the saved file is as readable as any other.
            QFile::remove(*staged);
            const bool moved
                = ::rename(QFile::encodeName(input).constData(), QFile::encodeName(*staged).constData()) == 0
                || QFile::copy(input, *staged);
            removeInput();
            if (!moved || !paths::giveUsualPermissions(*staged)) {
                abandon(QStringLiteral("Conversion failed. Could not write into %1.").arg(destination));
                co_return Outcome::ended;
            }
        } else {
            std::function<bool()> isCancelled = [target] { return !target || target->isCancelled(); };
            // ffmpeg's own report moves the card from 0.75 towards 1; 1 itself waits for the saved file.
            std::function<void(double)> progress = [target](double fraction) {
                if (target && !target->isFinished())
                    target->setProgress(std::max(target->progress(), 0.75 + 0.25 * std::min(fraction, 0.99)));
            };
            const QList<QPair<QString, QString>> tags = tagsToWrite(title, item.tags, ownTags);
            Result<ConversionReport> converted
                = co_await convert(input, *staged, format, quality, probe, onStart, isCancelled, progress, tags,
                                   coverPath, stallWindows.conversion);
            // A cover ffmpeg cannot use is dropped, for this job and the others that share it.
            if (!converted && !coverPath.isEmpty() && !cancelled()) {
                cover->usable = false;
                converted = co_await convert(input, *staged, format, quality, probe, onStart, isCancelled, progress,
                                             tags, QString(), stallWindows.conversion);
            }
            permit.reset();
            if (runner)
                runner->m_converters.remove(id);
            removeInput();
            if (cancelled()) {
                abandon(QString());
                co_return Outcome::ended;
            }
            if (!converted) {
                abandon(QStringLiteral("Conversion failed. ") + converted.error().description());
                co_return Outcome::ended;
            }
            // ffmpeg's own account of what it wrote (its last progress report) is the length checked: a
            // second reading of every file would cost more than the conversion of a short one.
            written = converted->written;
            // Longer than the source says it is: not the source's media.
            if (declared && *written > *declared + lengthTolerance(*declared)) {
                abandon(QStringLiteral("Conversion failed. The file ffmpeg wrote is longer than its source."));
                co_return Outcome::ended;
            }
        }
        QString warning;
        if (const auto gap = shortfall(declared, written)) {
            const QString sentence = shortfallSentence(written.value_or(0), *gap);
            if (download == Download::unproven) {
                abandon(QString());
                co_return Outcome::cutShort;
            }
            if (download == Download::lastUnproven) {
                abandon(QStringLiteral("Fetch failed. The download kept ending early. ") + sentence);
                co_return Outcome::ended;
            }
            warning = sentence;
        }
        const Result<QString> placed = placeOutput(*staged, title, format, destination, item.defaultTitle);
        if (!placed) {
            abandon(QStringLiteral("Conversion failed. Could not save into %1: %2")
                        .arg(destination, placed.error().description()));
            co_return Outcome::ended;
        }
        job->setPartialOutput(QString());
        job->setWarning(warning);
        finish(*placed);
        co_return Outcome::ended;
    }
};

JobRunner::JobRunner(QObject *parent) : JobRunner(paths::downloads(), GatherLines::shared(), parent) {}

JobRunner::JobRunner(QString destination, std::shared_ptr<GatherLines> lines, QObject *parent)
    : QObject(parent), m_destination(std::move(destination)), m_lines(std::move(lines))
{}

JobRunner::~JobRunner()
{
    cancelAll();
    // The jobs go with the runner; waiters in the conversion line notice and leave it.
    qDeleteAll(m_jobs);
    m_jobs.clear();
    m_lines->recheck();
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

QCoro::Task<void> JobRunner::run(QString input, AudioFormat format, AudioQuality quality, int limit, bool again)
{
    QPointer<JobRunner> self(this);
    setLastError(std::nullopt);
    // What a Tovel killed mid-way left here is no one's any more.
    paths::removeLeftoversOnce({paths::temporary(), m_destination});
    if (!Tools::hasFFmpeg()) {
        setLastError(QStringLiteral("ffmpeg is not installed. Tovel needs it to convert audio."));
        co_return;
    }

    // Only a web link no built-in source reads involves the engine, and only then is it asked for its
    // version; a program that does not answer in time counts as not installed.
    WebEngine &engine = WebEngine::shared();
    if (!SourceRouter::sourceType(input) && engine.isReady() && WebEngine::looksLikeWebLink(input)) {
        const bool answers = co_await engine.probe();
        if (!self)
            co_return;
        if (const auto url = parseUrl(trimWhitespace(input)); answers && url) {
            const QString host = url->url.host();
            MediaItem item(host.isEmpty() ? QStringLiteral("Web link") : host, url->url,
                           QStringLiteral("Web engine \u00b7 ") + host, std::nullopt, input);
            startJob(item, format, quality, again);
            if (m_activeTasks == 0)
                emit activeTasksChanged();
            co_return;
        }
    }

    auto cancellation = std::make_shared<Cancellation>();
    m_resolutions.append(cancellation);
    auto notices = std::make_shared<QStringList>();
    const Result<MediaItems> items = co_await SourceRouter::resolve(input, cancellation, notices);
    if (!self || cancellation->isCancelled())
        co_return;
    m_resolutions.removeOne(cancellation);
    m_notices += *notices;
    if (!items) {
        setLastError(items.error().description());
        co_return;
    }
    const qsizetype count = std::min<qsizetype>(std::max(0, limit), items->size());
    // Items that share an identity (a feed giving two episodes one guid) are still two things to save:
    // the later ones are told apart by their place among them.
    QHash<QString, int> seen;
    for (qsizetype i = 0; i < count; ++i) {
        MediaItem item = items->at(i);
        if (const int n = ++seen[item.identity]; n > 1 && !item.identity.isEmpty())
            item.identity += QStringLiteral(" #%1").arg(n);
        startJob(item, format, quality, again);
    }
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
    const Limiter &line = m_lines->downloads(item.url.host());
    return line.inUse() >= line.capacity() ? JobPhase::Kind::waiting : JobPhase::Kind::fetching;
}

void JobRunner::startJob(const MediaItem &item, AudioFormat format, AudioQuality quality, bool again)
{
    auto *job = new Job(item, format, quality, nextSequence(), this);
    m_jobs.prepend(job);
    if (const auto saved
        = m_history && !again ? m_history->savedOutput(item.identity, format, quality, m_destination) : std::nullopt) {
        job->finishAsAlreadySaved(QUrl::fromLocalFile(*saved));
        emit jobAdded(job);
        return;
    }
    job->setPhase(firstPhase(item));
    emit jobAdded(job);
    launch(job);
}

void JobRunner::launch(Job *job)
{
    ++m_activeTasks;
    emit activeTasksChanged();
    auto task
        = std::make_unique<JobTask>(JobTask{this, job, job->item(), job->format(), job->quality(), job->sequence(),
                                            m_destination, m_lines, m_retryWaits, m_history, m_stallWindows, m_covers});
    JobTask::launch(std::move(task));
}

void JobRunner::gatherAgain(Job *job)
{
    if (!job || !job->alreadySaved() || !m_jobs.contains(job))
        return;
    // A new place in the conversion line, after the jobs already waiting.
    job->restart(firstPhase(job->item()), nextSequence());
    launch(job);
}

void JobRunner::cancel(Job *job)
{
    if (!job)
        return;
    const QUuid id = job->id();
    // The phase goes first: aborting a download finishes it at once, and its task must already see a
    // cancel rather than a failure.
    job->setPhase(JobPhase::Kind::cancelled);
    m_lines->recheck();
    if (auto fetcher = m_fetchers.value(id))
        fetcher->cancel();
    if (auto process = m_converters.value(id))
        terminatePolitely(process);
    if (auto process = m_engines.value(id))
        terminatePolitely(process);
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
