#include "core/fetcher.h"

#include "core/http.h"
#include "platform/later.h"
#include "platform/paths.h"

#include <QCoroFuture>
#include <QCoroNetworkReply>
#include <QCoroSignal>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>

#include <algorithm>
#include <atomic>

#include <QCoreApplication>
#include <memory>

namespace tovel {

// The digest of a file as it arrives, worked out on a thread of its own so the download never waits
// for it: the pieces are taken in order by a pool of one thread, and at most `backlog` bytes wait.
class StreamDigest
{
public:
    StreamDigest(QCryptographicHash::Algorithm algorithm, QByteArray expected)
        : m_hash(algorithm), m_expected(std::move(expected))
    {
        m_pool.setMaxThreadCount(1);
        m_pool.setExpiryTimeout(-1);
    }

    void add(const QByteArray &piece)
    {
        if (piece.isEmpty())
            return;
        m_waiting += piece.size();
        m_pool.start([this, piece] {
            m_hash.addData(piece);
            m_waiting -= piece.size();
        });
        // A link faster than the digest: wait for it rather than queue the whole file in memory.
        if (m_waiting > backlog)
            m_pool.waitForDone();
    }

    // Whether the bytes so far are the file listed, once every piece is in.
    QCoro::Task<bool> matches()
    {
        co_await QtConcurrent::run(&m_pool, [] {});
        co_return m_hash.result().toHex() == m_expected;
    }

private:
    static constexpr qint64 backlog = 16 * 1024 * 1024;
    QCryptographicHash m_hash;
    QByteArray m_expected;
    std::atomic<qint64> m_waiting{0};
    QThreadPool m_pool; // last: it is gone, and its work done, before the hash it feeds
};

Fetcher::Fetcher(QObject *parent) : QObject(parent) {}

// A fetch in progress holds its own reply; the fetcher must outlive it (the job task owns both).
Fetcher::~Fetcher() = default;

void Fetcher::cancel()
{
    m_cancelled = true;
    if (m_task)
        m_task->abort();
}

qint64 freeSpaceFloor(const QString &folder)
{
    const QStorageInfo disk(folder);
    return std::max(Fetcher::minimumFreeBytes, disk.bytesTotal() / 20);
}

namespace {

// Free space is asked of the disk again after this much has been written.
constexpr qint64 spaceCheckBytes = 8 * 1024 * 1024;

bool isSuccess(int status)
{
    return status >= 200 && status < 300;
}

QString statusSentence(const QNetworkReply &reply)
{
    return QCoreApplication::translate("Tovel", "The server answered %1.")
        .arg(statusText(reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                        reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray()));
}

} // namespace

void Fetcher::expect(ListedFile listed)
{
    m_listed = std::move(listed);
    startOver();
}

void Fetcher::discard()
{
    if (!m_partial.isEmpty())
        QFile::remove(m_partial);
    m_partial.clear();
    startOver();
}

// Nothing of an earlier answer holds any more: the next try asks for the whole file.
void Fetcher::startOver()
{
    m_validator.clear();
    m_total = -1;
    // One digest is proof enough: SHA-1 where the publisher lists it, else MD5.
    m_digest.reset();
    if (!m_listed.sha1.isEmpty())
        m_digest = std::make_unique<StreamDigest>(QCryptographicHash::Sha1, m_listed.sha1);
    else if (!m_listed.md5.isEmpty())
        m_digest = std::make_unique<StreamDigest>(QCryptographicHash::Md5, m_listed.md5);
}

std::optional<ContentRange> parseContentRange(const QByteArray &value)
{
    const QByteArray text = value.trimmed();
    if (!text.startsWith("bytes "))
        return std::nullopt;
    const qsizetype slash = text.indexOf('/');
    if (slash < 0)
        return std::nullopt;
    const QByteArray span = text.mid(6, slash - 6).trimmed();
    const QByteArray whole = text.mid(slash + 1).trimmed();
    const auto number = [](const QByteArray &digits) -> std::optional<qint64> {
        bool ok = false;
        const qint64 n = digits.toLongLong(&ok);
        if (!ok || n < 0 || digits.isEmpty()
            || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        return n;
    };
    ContentRange range;
    if (whole != "*") {
        const auto total = number(whole);
        if (!total)
            return std::nullopt;
        range.total = *total;
    }
    if (span == "*")
        return range.total >= 0 ? std::optional(range) : std::nullopt;
    const qsizetype dash = span.indexOf('-');
    const auto first = number(span.left(dash)), last = number(span.mid(dash + 1));
    if (dash < 0 || !first || !last || *last < *first || (range.total >= 0 && *last >= range.total))
        return std::nullopt;
    range.first = *first;
    range.last = *last;
    return range;
}

namespace {

// What tells one version of a file from another: a strong ETag, else the time it was last modified.
QByteArray validatorOf(const QNetworkReply &reply)
{
    const QByteArray tag = reply.rawHeader("ETag").trimmed();
    if (!tag.isEmpty() && !tag.startsWith("W/"))
        return tag;
    return reply.rawHeader("Last-Modified").trimmed();
}

// Whether a ranged answer fails to name the very version `validator` (an ETag, or a Last-Modified
// date) stands for. A server that honours If-Range repeats it; one that leaves it out may be sending
// the rest of any version at all.
bool changedSince(const QNetworkReply &reply, const QByteArray &validator)
{
    return reply.rawHeader(validator.startsWith('"') ? "ETag" : "Last-Modified").trimmed() != validator;
}

} // namespace

QCoro::Task<Result<QString>> Fetcher::fetch(QUrl url, QString userAgent, std::function<void(double)> progress,
                                            std::optional<qint64> maxBytes)
{
    m_failure = {};
    m_provedWhole = false;
    if (m_cancelled) {
        discard();
        co_return fail(Error::plain(QStringLiteral("Operation canceled")));
    }

    const QString folder = paths::temporary();
    std::unique_ptr<QFile> file;
    QString path = std::exchange(m_partial, QString());
    qint64 offset = 0;
    if (!path.isEmpty()) {
        file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::ReadWrite)) {
            QFile::remove(path);
            startOver();
            co_return fail(Error::plain(file->errorString()));
        }
        offset = file->size();
        // Without a validator a changed file could not be told from the one begun: start again.
        if (m_validator.isEmpty() || offset <= 0) {
            file->resize(0);
            offset = 0;
            startOver();
        }
        file->seek(offset);
    } else {
        startOver();
        path = folder + u'/' + paths::temporaryName(QStringLiteral(".download"));
        auto created = paths::createPrivateFile(path);
        if (!created)
            co_return fail(Error::plain(created.error()));
        file = std::move(*created);
    }

    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", userAgent.toUtf8());
    // A media file is saved as it is sent: decoding it would only hide what it really is, and a
    // compressed body can unpack to far more than it says.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    if (offset > 0) {
        request.setRawHeader("Range", "bytes=" + QByteArray::number(offset) + '-');
        // The rest only of the very file begun; of any other version the server sends the whole.
        request.setRawHeader("If-Range", m_validator);
    }
    LaterPtr<QNetworkReply> reply(network().get(request));
    m_task = reply.get();
    // Keep only a small buffer in memory: whatever arrives goes straight to disk.
    reply->setReadBufferSize(256 * 1024);

    QString writeError;
    bool retryable = false;
    bool startAgain = false; // what is on disk is no good: the next try starts from nothing
    bool complete = false;   // the server says the file on disk already is the whole
    qint64 expectedEnd = -1; // the file's length once this answer's body is in, when the answer says
    bool chunked = false;
    QFile *sink = file.get();
    QNetworkReply *source = reply.get();
    const qint64 limit = maxBytes.value_or(-1);
    const qint64 floor = freeSpaceFloor(folder);
    qint64 written = 0;
    qint64 checkedAt = 0;
    // The reply is aborted from the event loop: aborting inside its own signals confuses its error state.
    const auto stop = [source, &writeError, &retryable](const QString &why, bool mayPass = false) {
        if (writeError.isEmpty()) {
            writeError = why;
            retryable = mayPass;
            QTimer::singleShot(0, source, [source] {
                if (!source->isFinished())
                    source->abort();
            });
        }
    };
    const auto restart = [&](const QString &why) {
        startAgain = true;
        stop(why, true);
    };
    const auto tooLarge
        = [limit] { return QCoreApplication::translate("Tovel", "The file is larger than %1 bytes.").arg(limit); };
    const auto noRoom = [&folder] {
        return QCoreApplication::translate("Tovel",
                                           "The temporary folder %1 is nearly full: at least %2 must stay free.")
            .arg(folder, QLocale::c().formattedDataSize(freeSpaceFloor(folder), 1, QLocale::DataSizeIecFormat));
    };
    const auto room = [&folder] { return QStorageInfo(folder).bytesAvailable(); };
    connect(source, &QNetworkReply::metaDataChanged, this, [&] {
        const QVariant status = source->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const int code = status.toInt();
        if (!status.isValid() || (code >= 300 && code < 400))
            return; // a redirect is followed; its own answer comes next
        if (code == 416 && offset > 0) {
            // Nothing is left to send: sound only when what is on disk is as long as the whole file.
            const auto range = parseContentRange(source->rawHeader("Content-Range"));
            if (range && range->first < 0 && range->total == offset && (m_total < 0 || m_total == offset)) {
                m_total = offset;
                complete = true;
            } else {
                restart(QCoreApplication::translate("Tovel", "The server could not send the rest of the file."));
            }
            return;
        }
        if (!isSuccess(code)) {
            m_failure.retryAfter = retryAfterSeconds(source->rawHeader("Retry-After"));
            stop(statusSentence(*source), isRetryableStatus(code));
            return;
        }
        chunked = source->rawHeader("Transfer-Encoding").toLower().contains("chunked");
        const QVariant length = source->header(QNetworkRequest::ContentLengthHeader);
        const qint64 announced = length.isValid() && !chunked ? length.toLongLong() : -1;
        if (code == 206) {
            if (offset == 0) {
                restart(QCoreApplication::translate("Tovel",
                                                    "The server sent part of the file when the whole was asked for."));
                return;
            }
            const auto range = parseContentRange(source->rawHeader("Content-Range"));
            if (!range || range->first != offset || range->total < 0 || (m_total >= 0 && range->total != m_total)) {
                restart(QCoreApplication::translate("Tovel",
                                                    "The server sent another part of the file than was asked for."));
                return;
            }
            if (changedSince(*source, m_validator)) {
                restart(QCoreApplication::translate("Tovel", "The file changed on the server while it downloaded."));
                return;
            }
            if (announced >= 0 && announced != range->last - range->first + 1) {
                restart(QCoreApplication::translate("Tovel",
                                                    "The server sent another part of the file than was asked for."));
                return;
            }
            m_total = range->total;
            expectedEnd = range->last + 1;
        } else {
            if (offset > 0) {
                // The whole file again (a new version, or a server that does not resume): what the
                // earlier try brought is replaced.
                sink->resize(0);
                sink->seek(0);
                offset = 0;
                startOver();
            }
            m_validator = validatorOf(*source);
            m_total = announced;
            expectedEnd = announced;
        }
        if (expectedEnd < 0)
            return;
        if (limit >= 0 && expectedEnd > limit)
            stop(tooLarge());
        else if (room() - (expectedEnd - offset) < floor)
            stop(noRoom());
    });
    connect(source, &QNetworkReply::readyRead, this, [&] {
        const QByteArray chunk = source->readAll();
        if (!writeError.isEmpty() || complete)
            return;
        written += chunk.size();
        if (limit >= 0 && offset + written > limit) {
            stop(tooLarge());
            return;
        }
        // A body that never says how long it is and never ends is a stream, not a file.
        if (expectedEnd < 0 && offset + written > unannouncedLimit) {
            // In MiB, as this message has always said it (sizeText would say 8 GiB).
            stop(QCoreApplication::translate(
                     "Tovel",
                     "More than %1 MiB arrived and the server never said how long the file is: it looks "
                     "like a stream without end.")
                     .arg(unannouncedLimit >> 20));
            return;
        }
        if (written - checkedAt >= spaceCheckBytes) {
            checkedAt = written;
            if (room() - chunk.size() < floor) {
                stop(noRoom());
                return;
            }
        }
        if (sink->write(chunk) != chunk.size()) {
            stop(sink->errorString());
            return;
        }
        if (m_digest)
            m_digest->add(chunk);
    });
    // The client's own timeout only notices silence; a server that sends a byte now and then would
    // keep a download open for ever.
    QTimer stallCheck;
    qint64 writtenAtCheck = 0;
    connect(&stallCheck, &QTimer::timeout, this, [&] {
        if (written - writtenAtCheck < stallBytes)
            stop(QCoreApplication::translate("Tovel", "The download stalled: less than 1 KiB arrived in %1 seconds.")
                     .arg(std::chrono::duration_cast<std::chrono::seconds>(m_stallWindow).count()),
                 true);
        writtenAtCheck = written;
    });
    stallCheck.start(m_stallWindow);
    // Progress only when the server said how long the body is; Qt reports the received size as the
    // total at the end of a download of unknown length, which is no progress at all.
    connect(source, &QNetworkReply::downloadProgress, this,
            [progress, &writeError, &offset, &expectedEnd](qint64 received, qint64) {
                if (expectedEnd >= 1 && progress && writeError.isEmpty())
                    progress(std::min(1.0, double(offset + received) / double(expectedEnd)));
            });

    if (!reply->isFinished())
        co_await qCoro(source, &QNetworkReply::finished);
    stallCheck.stop();
    disconnect(source, nullptr, this, nullptr);
    disconnect(&stallCheck, nullptr, this, nullptr);

    const bool transportOk = reply->error() == QNetworkReply::NoError;
    if (transportOk && writeError.isEmpty() && !complete && reply->isOpen()) {
        const QByteArray rest = reply->readAll();
        if (limit >= 0 && offset + written + rest.size() > limit) {
            writeError = tooLarge();
        } else if (!rest.isEmpty() && file->write(rest) != rest.size()) {
            writeError = file->errorString();
        } else {
            written += rest.size();
            if (m_digest)
                m_digest->add(rest);
        }
    }
    if (writeError.isEmpty() && !file->flush())
        writeError = file->errorString();
    const qint64 onDisk = offset + written;
    // A connection that closes early can end a reply without an error: the lengths tell.
    if (writeError.isEmpty() && transportOk && !complete) {
        if (expectedEnd >= 0 && onDisk < expectedEnd) {
            writeError = QCoreApplication::translate("Tovel", "The connection closed before the whole file arrived.");
            retryable = true;
        } else if (expectedEnd >= 0 && onDisk > expectedEnd) {
            writeError = QCoreApplication::translate("Tovel", "The server sent more than it announced.");
            retryable = startAgain = true;
        } else if (m_total >= 0 && onDisk < m_total) {
            writeError = QCoreApplication::translate("Tovel", "The server sent only part of the rest of the file.");
            retryable = true;
        }
    }
    file->close();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    Result<QString> result = path;
    if (!writeError.isEmpty()) {
        result = fail(Error::plain(writeError));
    } else if (!transportOk && !complete && !isHttpStatusError(reply->error())) {
        // A connection that broke or timed out may do better next time; one we ended ourselves, or an
        // address that can never be fetched (another scheme, a redirect loop, a refused certificate) not.
        static constexpr QNetworkReply::NetworkError hopeless[]
            = {QNetworkReply::OperationCanceledError,        QNetworkReply::ProtocolUnknownError,
               QNetworkReply::ProtocolInvalidOperationError, QNetworkReply::TooManyRedirectsError,
               QNetworkReply::InsecureRedirectError,         QNetworkReply::SslHandshakeFailedError,
               QNetworkReply::OperationNotImplementedError};
        retryable
            = !m_cancelled && std::find(std::begin(hopeless), std::end(hopeless), reply->error()) == std::end(hopeless);
        result = fail(Error::plain(reply->errorString()));
    } else if (!complete && status.isValid() && !isSuccess(status.toInt())) {
        result = fail(Error::plain(statusSentence(*reply)));
    }
    if (result) {
        // The publisher's list has the last word: a file that differs from it is no good, however whole.
        const bool sizeDiffers = m_listed.size >= 0 && onDisk != m_listed.size;
        if (sizeDiffers || (m_digest && !co_await m_digest->matches())) {
            m_failure.mismatch = true;
            retryable = startAgain = true;
            result = fail(Error::plain(
                QCoreApplication::translate("Tovel", "The file did not match what %1 lists for it.")
                    .arg(m_listed.publisher.isEmpty() ? QCoreApplication::translate("Tovel", "its publisher")
                                                      : m_listed.publisher)));
        } else {
            // The end of a chunked body is not known to be its last chunk: the network layer may report a
            // connection closed after any chunk as the end. Only a length or a digest proves anything.
            m_provedWhole = m_total >= 0 || m_digest;
        }
    }
    m_failure.retryable = !result && retryable && !m_cancelled;
    if (!result) {
        if (m_failure.retryable && !startAgain && !m_validator.isEmpty() && QFileInfo(path).size() > 0)
            m_partial = path;
        else
            QFile::remove(path);
        if (m_partial.isEmpty())
            startOver();
    }
    m_task = nullptr;
    co_return result;
}

} // namespace tovel
