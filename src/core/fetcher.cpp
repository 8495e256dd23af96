#include "core/fetcher.h"

#include "core/http.h"
#include "platform/later.h"
#include "platform/paths.h"

#include <QCoroNetworkReply>
#include <QCoroSignal>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>
#include <QTimer>

#include <memory>

namespace tovel {

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

bool isSuccess(int status) { return status >= 200 && status < 300; }

// "120" or an HTTP date; nothing when it is neither.
std::optional<int> retryAfterSeconds(const QByteArray &value)
{
    bool ok = false;
    const int seconds = value.trimmed().toInt(&ok);
    if (ok && seconds >= 0)
        return seconds;
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(value.trimmed()), Qt::RFC2822Date);
    if (!when.isValid())
        return std::nullopt;
    return int(std::clamp<qint64>(QDateTime::currentDateTimeUtc().secsTo(when), 0, 3600));
}

QString statusSentence(const QNetworkReply &reply)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QString reason;
    for (char c : reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray())
        if (c >= 0x20 && c < 0x7F)
            reason += QLatin1Char(c);
    reason = reason.trimmed();
    return QStringLiteral("The server answered %1.").arg(reason.isEmpty() ? QString::number(status)
                                                                         : QString::number(status) + u' ' + reason);
}

} // namespace

QCoro::Task<Result<QString>> Fetcher::fetch(QUrl url, QString userAgent, std::function<void(double)> progress,
                                            std::optional<qint64> maxBytes, QString resume)
{
    m_failure = {};
    m_partial.clear();
    if (m_cancelled) {
        QFile::remove(resume);
        co_return fail(Error::plain(QStringLiteral("Operation canceled")));
    }

    const QString folder = paths::temporary();
    std::unique_ptr<QFile> file;
    qint64 offset = 0;
    QString path = resume;
    if (!resume.isEmpty()) {
        file = std::make_unique<QFile>(resume);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Append))
            co_return fail(Error::plain(file->errorString()));
        offset = file->size();
    } else {
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
    if (offset > 0)
        request.setRawHeader("Range", "bytes=" + QByteArray::number(offset) + '-');
    LaterPtr<QNetworkReply> reply(network().get(request));
    m_task = reply.get();
    // Keep only a small buffer in memory: whatever arrives goes straight to disk.
    reply->setReadBufferSize(256 * 1024);

    QString writeError;
    bool retryable = false;
    bool startAgain = false; // the partial file is no good: the next try starts from nothing
    qint64 announced = -1;   // the body's length as the server gave it
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
    const auto tooLarge = [limit] { return QStringLiteral("The file is larger than %1 bytes.").arg(limit); };
    const auto noRoom = [&folder] {
        return QStringLiteral("The temporary folder %1 is nearly full: at least %2 must stay free.")
            .arg(folder, QLocale::c().formattedDataSize(freeSpaceFloor(folder), 1, QLocale::DataSizeIecFormat));
    };
    const auto room = [&folder] { return QStorageInfo(folder).bytesAvailable(); };
    connect(source, &QNetworkReply::metaDataChanged, this, [&] {
        const QVariant status = source->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const int code = status.toInt();
        if (status.isValid() && !isSuccess(code) && !(code >= 300 && code < 400)) {
            m_failure.retryAfter = retryAfterSeconds(source->rawHeader("Retry-After"));
            stop(statusSentence(*source), code == 408 || code == 429 || (code >= 500 && code < 600));
            return;
        }
        if (offset > 0 && code == 206) {
            // Only the rest from exactly where the file ends can be appended.
            const QByteArray range = source->rawHeader("Content-Range");
            if (!range.startsWith("bytes " + QByteArray::number(offset) + '-')) {
                startAgain = true;
                stop(QStringLiteral("The server sent another part of the file than was asked for."), true);
                return;
            }
        } else if (offset > 0 && isSuccess(code)) {
            // The whole file again: what the earlier try brought is replaced.
            sink->resize(0);
            offset = 0;
        }
        const QVariant length = source->header(QNetworkRequest::ContentLengthHeader);
        if (!length.isValid())
            return;
        announced = length.toLongLong();
        if (limit >= 0 && offset + length.toLongLong() > limit)
            stop(tooLarge());
        else if (room() - length.toLongLong() < floor)
            stop(noRoom());
    });
    connect(source, &QNetworkReply::readyRead, this, [&] {
        const QByteArray chunk = source->readAll();
        if (!writeError.isEmpty())
            return;
        written += chunk.size();
        if (limit >= 0 && offset + written > limit) {
            stop(tooLarge());
            return;
        }
        if (written - checkedAt >= spaceCheckBytes) {
            checkedAt = written;
            if (room() - chunk.size() < floor) {
                stop(noRoom());
                return;
            }
        }
        if (sink->write(chunk) != chunk.size())
            stop(sink->errorString());
    });
    // The client's own timeout only notices silence; a server that sends a byte now and then would
    // keep a download open for ever.
    QTimer stallCheck;
    qint64 writtenAtCheck = 0;
    connect(&stallCheck, &QTimer::timeout, this, [&] {
        if (written - writtenAtCheck < stallBytes)
            stop(QStringLiteral("The download stalled: less than 1 KiB arrived in %1 seconds.")
                     .arg(std::chrono::duration_cast<std::chrono::seconds>(m_stallWindow).count()),
                 true);
        writtenAtCheck = written;
    });
    stallCheck.start(m_stallWindow);
    // Progress only when the server said how long the body is; Qt reports the received size as the
    // total at the end of a download of unknown length, which is no progress at all.
    connect(source, &QNetworkReply::downloadProgress, this, [source, progress, &writeError, &offset](qint64 received, qint64 total) {
        if (total >= 1 && progress && writeError.isEmpty() && source->header(QNetworkRequest::ContentLengthHeader).isValid())
            progress(double(offset + received) / double(offset + total));
    });

    if (!reply->isFinished())
        co_await qCoro(source, &QNetworkReply::finished);
    stallCheck.stop();
    disconnect(source, nullptr, this, nullptr);
    disconnect(&stallCheck, nullptr, this, nullptr);

    const QByteArray rest = reply->isOpen() && writeError.isEmpty() ? reply->readAll() : QByteArray();
    if (writeError.isEmpty() && limit >= 0 && offset + written + rest.size() > limit)
        writeError = tooLarge();
    else if (writeError.isEmpty() && !rest.isEmpty() && file->write(rest) != rest.size())
        writeError = file->errorString();
    if (writeError.isEmpty() && !file->flush())
        writeError = file->errorString();
    // A connection that closes early can end a reply without an error: the length tells.
    if (writeError.isEmpty() && reply->error() == QNetworkReply::NoError && announced >= 0
        && written + rest.size() < announced) {
        writeError = QStringLiteral("The connection closed before the whole file arrived.");
        retryable = true;
    }
    file->close();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    Result<QString> result = path;
    if (!writeError.isEmpty()) {
        result = fail(Error::plain(writeError));
    } else if (reply->error() != QNetworkReply::NoError && !isHttpStatusError(reply->error())) {
        // A connection that broke or timed out may do better next time; one we ended ourselves not.
        retryable = !m_cancelled && reply->error() != QNetworkReply::OperationCanceledError;
        result = fail(Error::plain(reply->errorString()));
    } else if (status.isValid() && !isSuccess(status.toInt())) {
        result = fail(Error::plain(statusSentence(*reply)));
    }
    m_failure.retryable = !result && retryable && !m_cancelled;
    if (!result) {
        if (m_failure.retryable && !startAgain && QFileInfo(path).size() > 0)
            m_partial = path;
        else
            QFile::remove(path);
    }
    m_task = nullptr;
    co_return result;
}

} // namespace tovel
