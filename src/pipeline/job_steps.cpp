#include "pipeline/job_steps.h"

#include "core/fetcher.h"
#include "core/http.h"
#include "core/media_extensions.h"
#include "core/output_naming.h"
#include "engine/web_engine.h"
#include "pipeline/feed_extras.h"
#include "pipeline/file_tags.h"
#include "pipeline/history.h"
#include "pipeline/job_control.h"
#include "pipeline/sound.h"
#include "platform/paths.h"
#include "sources/local_sources.h"

#include <QCoroFuture>
#include <QCoroTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent>

#include <QCoreApplication>
#include <unistd.h>

namespace tovel {

namespace {

void removeFile(const QString &path)
{
    if (!path.isEmpty())
        QFile::remove(path);
}

// Reports what the job starts, so a cancel can end it.
std::function<void(QProcess *)> reportStart(JobControl &control)
{
    return [&control](QProcess *process) { control.running(process); };
}

// A local file is read where it is: ffmpeg only reads its input, and a copy of a large video would cost
// its whole size again in the temporary folder. ffmpeg gets its arguments as UTF-8 text, which cannot
// carry a name that is not UTF-8: such a file is read through a link of ours whose name it can be given,
// in a working folder of this job.
Result<JobInput> localInput(const MediaItem &item)
{
    const QByteArray bytes = localFileBytes(item.url);
    JobInput input{QString(), false, Download::none, QString()};
    if (roundTrips(bytes)) {
        input.path = QFile::decodeName(bytes);
    } else {
        input.workingFolder = paths::temporary() + u'/' + paths::temporaryName(QString());
        const QString extension = item.hintedExtension.value_or(QString());
        input.path
            = input.workingFolder + QStringLiteral("/input") + (extension.isEmpty() ? QString() : u'.' + extension);
        if (!QDir().mkpath(input.workingFolder)
            || ::symlink(bytes.constData(), QFile::encodeName(input.path).constData()) != 0) {
            QDir(input.workingFolder).removeRecursively();
            return fail(Error::plain(
                QCoreApplication::translate("Tovel", "Could not read %1. Its name could not be handed to ffmpeg.")
                    .arg(displayName(bytes))));
        }
    }
    // A pipe would block the open, and a device never ends: only a file (or a link to one) is read.
    const auto refuse = [&input](const QString &why) {
        releaseInput(input);
        return fail(Error::plain(QCoreApplication::translate("Tovel", "Could not read that file. ") + why));
    };
    if (const QFileInfo info(input.path); info.exists() && !info.isFile())
        return refuse(QCoreApplication::translate("Tovel", "It is not a regular file."));
    QFile readable(input.path);
    if (!readable.open(QIODevice::ReadOnly))
        return refuse(readable.errorString());
    return input;
}

// Fetches the item's file, trying again when a try breaks off, times out or meets 408, 429 or 5xx (up to
// four tries in all, counted across calls), resuming where that is sound. A file that does not match what
// its publisher lists is fetched once more from the start, then given up. Between tries the job leaves
// its host's line, so other downloads go on.
QCoro::Task<Result<QString>> fetchWithRetries(Obtaining &obtaining, const MediaItem &item, const JobContext &context,
                                              JobControl &control)
{
    Fetcher *fetcher = obtaining.fetcher.get();
    std::function<void(double)> progress
        = [&control](double fraction) { control.advance(fraction * progressBand::obtained); };
    int mismatches = 0;
    Result<QString> fetched = fail(cancelledError());
    for (;;) {
        ++obtaining.tries;
        std::optional<Limiter::Permit> hostPermit
            = co_await control.waitInLine(context.lines->downloads(item.url.host()));
        if (!hostPermit || control.cancelled()) {
            fetcher->discard();
            co_return fail(cancelledError());
        }
        control.setPhase(JobPhase::Kind::fetching);
        control.running(fetcher);
        const std::optional<qint64> noLimit;
        fetched = co_await fetcher->fetch(item.url, context.userAgent, progress, noLimit);
        control.idle();
        hostPermit.reset();
        if (fetcher->lastFailure().mismatch)
            ++mismatches;
        if (fetched || control.cancelled() || !fetcher->lastFailure().retryable || obtaining.tries >= Fetcher::maxTries
            || mismatches > 1)
            break;
        const int wait = std::min(
            60, fetcher->lastFailure().retryAfter.value_or(context.timings.retryWaits.value(obtaining.tries - 1, 15)));
        control.setPhase(JobPhase::retrying(obtaining.tries + 1));
        co_await control.pause(wait);
    }
    fetcher->discard();
    co_return fetched;
}

QCoro::Task<Result<JobInput>> remoteInput(Obtaining &obtaining, const MediaItem &item, const JobContext &context,
                                          JobControl &control)
{
    if (!obtaining.fetcher) {
        obtaining.fetcher = std::make_unique<Fetcher>();
        obtaining.fetcher->expect(item.listed);
        obtaining.fetcher->setStallWindow(context.timings.downloadStall);
    }
    const Result<QString> fetched = co_await fetchWithRetries(obtaining, item, context, control);
    if (!fetched) {
        if (isCancelledError(fetched.error()))
            co_return fail(fetched.error());
        co_return fail(
            Error::plain(QCoreApplication::translate("Tovel", "Fetch failed. ") + fetched.error().description()));
    }
    const Download download = obtaining.fetcher->provedWhole() ? Download::whole
        : obtaining.tries < Fetcher::maxTries                  ? Download::unproven
                                                               : Download::lastUnproven;
    co_return JobInput{*fetched, true, download, QString()};
}

QCoro::Task<Result<JobInput>> engineInput(const MediaItem &item, AudioFormat format, const JobContext &context,
                                          JobControl &control)
{
    control.setPhase(JobPhase::Kind::fetching);
    if (!context.engine)
        co_return fail(Error::plain(QCoreApplication::translate("Tovel", "The web engine is not available.")));
    WebEngine::StartCallback onStart = reportStart(control);
    WebEngine::ProgressCallback progress
        = [&control](double fraction) { control.setProgress(fraction * progressBand::obtained); };
    const Result<WebDownload> downloaded
        = co_await context.engine->download(*item.engineLink, isVideo(format), onStart, progress);
    control.idle();
    if (!downloaded)
        co_return fail(downloaded.error());
    if (Job *job = control.job())
        job->setTitle(downloaded->title);
    co_return JobInput{downloaded->file, true, Download::none, downloaded->workingFolder};
}

// The item's cover picture, for a file that brings none: fetched like any download, once for all the jobs
// of the runner that want it. Whatever goes wrong with it only leaves the file without one.
QCoro::Task<std::shared_ptr<SharedCover>> coverFor(const QUrl &address, const JobContext &context, JobControl &control)
{
    const QString key = address.toString(QUrl::FullyEncoded);
    std::shared_ptr<SharedCover> cover = context.covers ? context.covers->value(key).lock() : nullptr;
    if (cover) {
        while (!cover->ready && !control.cancelled())
            co_await QCoro::sleepFor(std::chrono::milliseconds(50));
        co_return cover;
    }
    cover = std::make_shared<SharedCover>();
    if (context.covers)
        context.covers->insert(key, cover);
    auto fetcher = std::make_unique<Fetcher>();
    control.running(fetcher.get());
    std::function<void(double)> noProgress;
    const std::optional<qint64> coverLimit = maxCoverBytes;
    const Result<QString> picture = co_await fetcher->fetch(address, context.userAgent, noProgress, coverLimit);
    control.idle();
    fetcher->discard();
    if (picture && isCoverPicture(*picture))
        cover->path = *picture;
    else if (picture)
        removeFile(*picture);
    cover->ready = true;
    co_return cover;
}

// Reads the input through once for what `sound` needs, in the first part of the conversion's band;
// nothing when ffmpeg could not read it.
QCoro::Task<std::optional<SoundReading>> measureSound(const JobInput &input, const Inspection &inspection,
                                                      SoundOptions sound, const JobContext &context,
                                                      JobControl &control)
{
    if (!context.ffmpeg)
        co_return std::nullopt;
    std::function<void(double)> reported = [&control](double fraction) {
        control.advance(progressBand::converting
                        + progressBand::conversionShare * progressBand::soundReadingShare * fraction);
    };
    const std::optional<MediaProbe> &probe = inspection.probe;
    const auto length = inspection.declared ? inspection.declared : probe ? probe->duration : std::nullopt;
    const std::optional<SoundReading> read
        = co_await readSound(*context.ffmpeg, input.path, sound, length, reportStart(control), reported);
    control.idle();
    co_return read;
}

// Silences cut out move every chapter after them, the file's own as much as the feed's, and the end of
// the last.
FeedChapters movedByCuts(FeedChapters chapters, const Inspection &inspection, const QList<Span> &cuts)
{
    if (chapters.chapters.isEmpty() && inspection.probe)
        chapters.chapters = inspection.probe->chapters;
    chapters.chapters = chaptersAfterCuts(chapters.chapters, cuts);
    if (!chapters.length && inspection.declared)
        chapters.length = qint64(*inspection.declared * 1000);
    if (chapters.length)
        *chapters.length -= qint64(cutLength(cuts) * 1000);
    return chapters;
}

} // namespace

Obtaining::Obtaining() = default;
Obtaining::~Obtaining() = default;

QCoro::Task<Result<JobInput>> obtainInput(Obtaining &obtaining, const MediaItem &item, AudioFormat format,
                                          const JobContext &context, JobControl &control)
{
    if (item.engineLink)
        co_return co_await engineInput(item, format, context, control);
    if (item.url.isLocalFile())
        co_return localInput(item);
    co_return co_await remoteInput(obtaining, item, context, control);
}

void releaseInput(const JobInput &input)
{
    if (input.ours)
        removeFile(input.path);
    if (!input.workingFolder.isEmpty())
        QDir(input.workingFolder).removeRecursively();
}

QCoro::Task<Inspection> inspectInput(const JobInput &input, const MediaItem &item, AudioFormat format,
                                     const JobContext &context, JobControl &control)
{
    // An MP3, FLAC, M4A or 16-bit WAV is read by TagLib at once: an ffmpeg run for each would cost as
    // much as fetching it. A plain WAV or AIFF on its way to another format tells its tags in its own
    // header.
    Inspection inspection;
    inspection.probe = readMediaFile(input.path);
    const bool unproven = input.download == Download::unproven || input.download == Download::lastUnproven;
    const QString kind = item.hintedExtension.value_or(fileExtension(input.path)).toLower();
    const bool plain = kind == QLatin1String("wav") || kind == QLatin1String("aif") || kind == QLatin1String("aiff");
    if (!inspection.probe && plain && !unproven && format != AudioFormat::wav && format != AudioFormat::mp4) {
        if (auto tags = headerTags(input.path)) {
            inspection.ownTags = MediaProbe();
            inspection.ownTags->tags = std::move(*tags);
        }
    }
    if (context.ffmpeg && !inspection.probe && !inspection.ownTags) {
        inspection.probe = co_await probeMedia(*context.ffmpeg, input.path, reportStart(control));
        control.idle();
    }
    if (inspection.probe)
        inspection.ownTags = inspection.probe;
    inspection.declared = declaredLength(inspection.probe, input.path);
    co_return inspection;
}

QCoro::Task<Result<StagedOutput>> convertInput(const JobInput &input, const Inspection &inspection,
                                               const MediaItem &item, AudioFormat format, AudioQuality quality,
                                               SoundOptions sound, const JobContext &context, JobControl &control)
{
    const std::optional<MediaProbe> &probe = inspection.probe;
    std::shared_ptr<SharedCover> cover;
    if (item.tags.image && wantsCover(format, probe) && !control.cancelled())
        cover = co_await coverFor(*item.tags.image, context, control);
    const FeedChapters feedChapters = co_await feedChaptersFor(item, format, inspection, context, control);
    const bool copies = !sound.any() && copiesStreams(format, quality, probe);
    std::optional<Limiter::Permit> permit;
    if (!control.cancelled() && !copies) {
        Limiter &line = context.lines->conversions();
        if (line.inUse() >= line.capacity())
            control.setPhase(JobPhase::Kind::waiting);
        permit = co_await control.waitInLine(line);
    }
    if (control.cancelled() || (!permit && !copies))
        co_return fail(cancelledError());
    control.setProgress(progressBand::converting);
    control.setPhase(JobPhase::Kind::converting);
    Job *job = control.job();
    const QString title = job->title();
    const Result<QString> staged = stagingOutput(format, context.destination);
    if (!staged)
        co_return fail(
            Error::plain(QCoreApplication::translate("Tovel", "Conversion failed. ") + staged.error().description()));
    job->setPartialOutput(*staged);
    QPointer<Job> target = job;
    const auto abandon = [&](const QString &why) {
        removeFile(*staged);
        if (target)
            target->setPartialOutput(QString());
        return fail(why.isEmpty() ? cancelledError() : Error::plain(why));
    };
    const QString coverPath = cover && cover->usable ? cover->path : QString();
    const QList<QPair<QString, QString>> tags = tagsToWrite(title, item.tags, inspection.ownTags);
    // The sound is measured first, in the conversion's slot, and the measure decides the filter.
    const double readShare = sound.any() ? progressBand::soundReadingShare : 0.0;
    SoundReading reading;
    if (sound.any()) {
        const std::optional<SoundReading> read = co_await measureSound(input, inspection, sound, context, control);
        if (control.cancelled())
            co_return abandon(QString());
        if (!read)
            co_return abandon(QCoreApplication::translate(
                "Tovel", "Conversion failed. ffmpeg could not read the sound through to measure it."));
        reading = *read;
    }
    const QString filter = soundFilter(sound, reading, format);
    const QList<Span> cuts = sound.shorterSilences ? cutsFor(reading.silences) : QList<Span>();
    const double shortenedBy = cutLength(cuts);
    const bool kept = !sound.any() && keepsFile(format, quality, probe) && keepsWithChapters(format, feedChapters);
    if (kept
        || (!sound.any() && input.ours && coverPath.isEmpty() && feedChapters.chapters.isEmpty()
            && isAlreadyTheFile(format, quality, probe, title, item.tags))) {
        // Audio kept as it is (an MP3 episode gathered as MP3) is never rewritten: the file is moved (a
        // download) or copied (the user's own) into place, and what the source knows is tagged into it
        // there. A download not known to be whole, or the user's own file, is read through first to see
        // it holds what it says.
        permit.reset();
        std::optional<double> written = inspection.declared;
        const bool unproven = input.download == Download::unproven || input.download == Download::lastUnproven;
        if ((unproven || !input.ours) && context.ffmpeg) {
            written = co_await measureLength(*context.ffmpeg, input.path, reportStart(control));
            control.idle();
        }
        if (control.cancelled())
            co_return abandon(QString());
        // Over our own hidden file: a download is renamed where the temporary folder shares the disk, else
        // copied, as the user's own file always is (away from the event loop: it may be long). A download
        // is private while it arrives; the saved file is as readable as any other. (Each future is made
        // before it is awaited: a lambda inside the awaited expression is more than GCC 12's coroutines
        // keep track of.)
        QFile::remove(*staged);
        const QString from = input.path, to = *staged;
        const bool ours = input.ours;
        QFuture<bool> moving = QtConcurrent::run([from, to, ours] {
            return (ours && ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
                || QFile::copy(from, to);
        });
        const bool moved = co_await moving;
        if (control.cancelled())
            co_return abandon(QString());
        if (!moved || !paths::giveUsualPermissions(*staged))
            co_return abandon(QCoreApplication::translate("Tovel", "Conversion failed. Could not write into %1.")
                                  .arg(context.destination));
        if (kept && (!tags.isEmpty() || !coverPath.isEmpty() || !feedChapters.chapters.isEmpty())) {
            // Tagged where it lies (away from the event loop: a tag that grows moves the whole file), then
            // read back: it must still hold the same audio, as long as before.
            const Chapters chapters = feedChapters.chapters;
            const std::optional<qint64> length = feedChapters.length;
            QFuture<std::optional<MediaProbe>> tagging = QtConcurrent::run([to, tags, coverPath, chapters, length] {
                return writeFileTags(to, tags, coverPath, chapters, length) ? readMediaFile(to) : std::nullopt;
            });
            const std::optional<MediaProbe> reread = co_await tagging;
            if (control.cancelled())
                co_return abandon(QString());
            const bool same = reread && reread->audioCodec == probe->audioCodec
                && reread->duration.has_value() == probe->duration.has_value()
                && (!probe->duration || qAbs(*reread->duration - *probe->duration) < lengthTolerance(*probe->duration));
            if (!same)
                co_return abandon(
                    QCoreApplication::translate("Tovel", "Conversion failed. Could not write the tags into %1.")
                        .arg(context.destination));
        }
        co_return StagedOutput{*staged, written, 0, feedChapters.warning};
    }
    std::function<bool()> isCancelled = [target] { return !target || target->isCancelled(); };
    std::function<void(double)> progress = [&control, readShare](double fraction) {
        control.advance(progressBand::converting
                        + progressBand::conversionShare
                            * (readShare + (1 - readShare) * std::min(fraction, progressBand::lastReport)));
    };
    const FeedChapters chapters = cuts.isEmpty() ? feedChapters : movedByCuts(feedChapters, inspection, cuts);
    const ChapterFile chapterFile(chapters, format);
    Result<ConversionReport> converted
        = co_await convert(input.path, *staged, format, quality, probe, reportStart(control), isCancelled, progress,
                           tags, coverPath, context.timings.conversionStall, chapterFile.path(), filter);
    // A cover ffmpeg cannot use is dropped, for this job and the others that share it.
    if (!converted && !coverPath.isEmpty() && !control.cancelled()) {
        cover->usable = false;
        converted
            = co_await convert(input.path, *staged, format, quality, probe, reportStart(control), isCancelled, progress,
                               tags, QString(), context.timings.conversionStall, chapterFile.path(), filter);
    }
    control.idle();
    permit.reset();
    if (control.cancelled())
        co_return abandon(QString());
    if (!converted)
        co_return abandon(QCoreApplication::translate("Tovel", "Conversion failed. ")
                          + converted.error().description());
    // ffmpeg's own account of what it wrote (its last progress report) is the length checked: a second
    // reading of every file would cost more than the conversion of a short one. Longer than the source
    // says it is: not the source's media.
    // The silences cut out count towards what the file stands for.
    const std::optional<double> &declared = inspection.declared;
    std::optional<double> written = converted->written;
    if (written)
        *written += shortenedBy;
    if (declared && written && *written > *declared + lengthTolerance(*declared))
        co_return abandon(QCoreApplication::translate(
            "Tovel", "Conversion failed. The file ffmpeg wrote is longer than its source."));
    const bool chaptered = co_await addFlacChapters(*staged, format, probe, chapters);
    if (control.cancelled())
        co_return abandon(QString());
    if (!chaptered)
        co_return abandon(QCoreApplication::translate("Tovel", "Conversion failed. Could not write the tags into %1.")
                              .arg(context.destination));
    co_return StagedOutput{*staged, written, shortenedBy, feedChapters.warning};
}

LengthCheck checkLength(const Inspection &inspection, const StagedOutput &staged, Download download)
{
    const auto gap = shortfall(inspection.declared, staged.written);
    if (!gap)
        return {};
    const QString sentence = shortfallSentence(staged.written.value_or(0), *gap);
    switch (download) {
    case Download::unproven: return {LengthCheck::Verdict::cutShort, sentence};
    case Download::lastUnproven:
        return {LengthCheck::Verdict::failed,
                QCoreApplication::translate("Tovel", "Fetch failed. The download kept ending early. ") + sentence};
    default: return {LengthCheck::Verdict::short_, sentence};
    }
}

void recordSaved(const QString &output, const StagedOutput &staged, const QString &warning, const MediaItem &item,
                 AudioFormat format, AudioQuality quality, const SoundOptions &sound, const JobContext &context,
                 JobControl &control)
{
    if (context.history)
        context.history->record(item.identity, item.origin, format, quality, sound, output);
    Job *job = control.job();
    if (!job)
        return;
    job->setTimeSaved(staged.shortenedBy);
    job->setPartialOutput(QString());
    job->setWarning(warning);
    job->setProgress(1.0);
    job->setOutput(QUrl::fromLocalFile(output));
    job->setPhase(JobPhase::Kind::done);
}

} // namespace tovel
