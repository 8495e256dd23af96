#include "pipeline/feed_extras.h"

#include "core/fetcher.h"
#include "core/http.h"
#include "core/output_naming.h"
#include "pipeline/file_tags.h"
#include "pipeline/job_control.h"
#include "pipeline/job_steps.h"
#include "platform/paths.h"

#include <QCoroFuture>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QtConcurrent>

#include <QCoreApplication>
#include <cerrno>
#include <cmath>

namespace tovel {

namespace {

// What a document the feed links to holds; not `read` when it could not be fetched.
struct Document
{
    bool read = false;
    QByteArray bytes;
};

// A small document the feed links to, fetched as a download is (tried again when it breaks off, times out
// or meets 408, 429 or 5xx), into memory.
QCoro::Task<Document> fetchDocument(QUrl url, const JobContext &context, JobControl &control)
{
    auto fetcher = std::make_unique<Fetcher>();
    fetcher->setStallWindow(context.timings.downloadStall);
    std::function<void(double)> noProgress;
    const std::optional<qint64> limit = maxFeedDocumentBytes;
    Result<QString> fetched = fail(cancelledError());
    for (int tries = 1;; ++tries) {
        control.running(fetcher.get());
        fetched = co_await fetcher->fetch(url, context.userAgent, noProgress, limit);
        control.idle();
        if (fetched || control.cancelled() || !fetcher->lastFailure().retryable || tries >= Fetcher::maxTries)
            break;
        const int wait
            = std::min(60, fetcher->lastFailure().retryAfter.value_or(context.timings.retryWaits.value(tries - 1, 15)));
        co_await control.pause(wait);
        if (control.cancelled())
            break;
    }
    fetcher->discard();
    if (!fetched)
        co_return Document();
    QFile file(*fetched);
    Document document;
    document.read = file.open(QIODevice::ReadOnly);
    document.bytes = document.read ? file.readAll() : QByteArray();
    file.remove();
    co_return document;
}

std::optional<qint64> lengthOf(const Inspection &inspection)
{
    const std::optional<double> seconds
        = inspection.declared ? inspection.declared : (inspection.probe ? inspection.probe->duration : std::nullopt);
    if (!seconds || *seconds <= 0)
        return std::nullopt;
    return std::llround(*seconds * 1000);
}

// Whether the bytes read as the kind of transcript they claim to be, rather than, say, an error page.
bool looksLike(const QByteArray &text, TranscriptLink::Kind kind)
{
    const QByteArray start = text.startsWith("\xEF\xBB\xBF") ? text.mid(3, 16) : text.left(16);
    if (text.contains('\0'))
        return false;
    if (kind == TranscriptLink::Kind::vtt)
        return start.startsWith("WEBVTT");
    return text.contains("-->") && !start.trimmed().startsWith('<');
}

} // namespace

bool holdsChapters(AudioFormat format)
{
    return format != AudioFormat::wav;
}

QCoro::Task<FeedChapters> feedChaptersFor(const MediaItem &item, AudioFormat format, const Inspection &inspection,
                                          const JobContext &context, JobControl &control)
{
    FeedChapters feed;
    feed.length = lengthOf(inspection);
    const bool ownChapters = inspection.probe && !inspection.probe->chapters.isEmpty();
    if (!holdsChapters(format) || ownChapters || control.cancelled() || (item.chapters.isEmpty() && !item.chaptersUrl))
        co_return feed;
    // Listed in the feed itself, they are at hand; else the document it links to is fetched.
    Chapters chapters = item.chapters;
    if (chapters.isEmpty()) {
        const QUrl address = *item.chaptersUrl;
        const Document document = co_await fetchDocument(address, context, control);
        const std::optional<Chapters> read = document.read ? parseChaptersJson(document.bytes) : std::nullopt;
        if (control.cancelled())
            co_return feed;
        if (!read) {
            feed.warning
                = QCoreApplication::translate("Tovel", "Saved without chapters: the chapters could not be read.");
            co_return feed;
        }
        chapters = *read;
    }
    feed.chapters = tidyChapters(std::move(chapters), feed.length);
    co_return feed;
}

bool keepsWithChapters(AudioFormat format, const FeedChapters &feed)
{
    return feed.chapters.isEmpty() || format == AudioFormat::mp3 || format == AudioFormat::flac;
}

ChapterFile::ChapterFile(const FeedChapters &feed, AudioFormat format)
{
    if (feed.chapters.isEmpty() || format == AudioFormat::flac || !holdsChapters(format))
        return;
    // Named as a partial output is, so a leftover of a Tovel that ended abruptly is cleared away.
    const QString path = paths::temporary() + QStringLiteral("/.") + paths::temporaryName(QStringLiteral(".part.txt"));
    auto file = paths::createPrivateFile(path);
    if (!file)
        return;
    m_path = path;
    const QByteArray text = chapterMetadata(feed.chapters, feed.length);
    if ((*file)->write(text) != text.size() || !(*file)->flush()) {
        QFile::remove(m_path);
        m_path.clear();
    }
}

ChapterFile::~ChapterFile()
{
    if (!m_path.isEmpty())
        QFile::remove(m_path);
}

QCoro::Task<bool> addFlacChapters(QString staged, AudioFormat format, std::optional<MediaProbe> probe,
                                  FeedChapters feed)
{
    const Chapters chapters = !feed.chapters.isEmpty() ? feed.chapters : probe ? probe->chapters : Chapters();
    if (format != AudioFormat::flac || chapters.isEmpty())
        co_return true;
    const std::optional<qint64> length = feed.length;
    // Away from the event loop: the whole file is read and written again.
    QFuture<bool> writing = QtConcurrent::run(
        [staged, chapters, length] { return writeFileTags(staged, {}, QString(), chapters, length); });
    co_return co_await writing;
}

QCoro::Task<FetchedTranscript> fetchTranscript(const MediaItem &item, const JobContext &context, JobControl &control)
{
    FetchedTranscript transcript;
    if (!item.transcript || control.cancelled())
        co_return transcript;
    const TranscriptLink link = *item.transcript;
    const Document document = co_await fetchDocument(link.url, context, control);
    if (control.cancelled())
        co_return transcript;
    const QString unread
        = QCoreApplication::translate("Tovel", "Saved without its transcript: the transcript could not be read.");
    if (!document.read) {
        transcript.warning = unread;
    } else if (link.kind == TranscriptLink::Kind::json) {
        // A transcript with no times is of no use beside the file: no player can follow it, and it is left out.
        QJsonParseError error;
        QJsonDocument::fromJson(document.bytes, &error);
        if (const std::optional<QByteArray> cues = webVttOfJsonTranscript(document.bytes)) {
            transcript.text = *cues;
            transcript.extension = QStringLiteral("vtt");
        } else if (error.error != QJsonParseError::NoError) {
            transcript.warning = unread;
        }
    } else if (looksLike(document.bytes, link.kind)) {
        transcript.text = document.bytes;
        transcript.extension = link.kind == TranscriptLink::Kind::srt ? QStringLiteral("srt") : QStringLiteral("vtt");
    } else {
        transcript.warning = unread;
    }
    co_return transcript;
}

QString placeTranscript(const FetchedTranscript &transcript, const QString &audio)
{
    if (transcript.text.isEmpty())
        return transcript.warning;
    const QFileInfo saved(audio);
    const QString folder = saved.absolutePath();
    const QString hidden
        = folder + QStringLiteral("/.") + paths::temporaryName(QStringLiteral(".part.") + transcript.extension);
    const QString wanted = folder + u'/' + saved.completeBaseName() + u'.' + transcript.extension;
    const QString unwritten
        = QCoreApplication::translate("Tovel", "Saved without its transcript: it could not be written into %1.")
              .arg(folder);
    auto file = paths::createPrivateFile(hidden);
    if (!file)
        return unwritten;
    const bool written = (*file)->write(transcript.text) == transcript.text.size() && (*file)->flush();
    (*file)->close();
    // A transcript already there, the user's or from an earlier gathering, stays as it is.
    if (!written || !paths::giveUsualPermissions(hidden) || !placeUnlessTaken(hidden, wanted)) {
        const bool taken = errno == EEXIST;
        QFile::remove(hidden);
        return written && taken ? QString() : unwritten;
    }
    return {};
}

QString joinSentences(const QStringList &sentences)
{
    QStringList said = sentences;
    said.removeAll(QString());
    return said.join(u' ');
}

} // namespace tovel
