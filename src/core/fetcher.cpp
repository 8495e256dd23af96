#include "core/fetcher.h"

#include "core/http.h"
#include "platform/later.h"
#include "platform/paths.h"

#include <QCoroNetworkReply>
#include <QCoroSignal>
#include <QFile>

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

QCoro::Task<Result<QString>> Fetcher::fetch(QUrl url, QString userAgent, std::function<void(double)> progress,
                                            std::optional<qint64> maxBytes)
{
    if (m_cancelled)
        co_return fail(Error::plain(QStringLiteral("Operation canceled")));

    const QString path = paths::temporary() + u'/' + paths::temporaryName(QStringLiteral("download"));
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly))
        co_return fail(Error::plain(file->errorString()));

    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", userAgent.toUtf8());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    LaterPtr<QNetworkReply> reply(network().get(request));
    m_task = reply.get();
    // Keep only a small buffer in memory: whatever arrives goes straight to disk.
    reply->setReadBufferSize(256 * 1024);

    QString writeError;
    QFile *sink = file.get();
    QNetworkReply *source = reply.get();
    const qint64 limit = maxBytes.value_or(-1);
    qint64 written = 0;
    connect(source, &QNetworkReply::metaDataChanged, this, [source, limit, &writeError] {
        const QVariant length = source->header(QNetworkRequest::ContentLengthHeader);
        if (limit >= 0 && writeError.isEmpty() && length.isValid() && length.toLongLong() > limit) {
            writeError = QStringLiteral("The file is larger than %1 bytes.").arg(limit);
            source->abort();
        }
    });
    connect(source, &QNetworkReply::readyRead, this, [source, sink, limit, &written, &writeError] {
        const QByteArray chunk = source->readAll();
        if (!writeError.isEmpty())
            return;
        written += chunk.size();
        if (limit >= 0 && written > limit) {
            writeError = QStringLiteral("The file is larger than %1 bytes.").arg(limit);
            source->abort();
        } else if (sink->write(chunk) != chunk.size()) {
            writeError = sink->errorString();
            source->abort();
        }
    });
    // Progress only when the server said how long the body is; Qt reports the received size as the
    // total at the end of a download of unknown length, which is no progress at all.
    connect(source, &QNetworkReply::downloadProgress, this, [source, progress](qint64 received, qint64 total) {
        if (total >= 1 && progress && source->header(QNetworkRequest::ContentLengthHeader).isValid())
            progress(double(received) / double(total));
    });

    if (!reply->isFinished())
        co_await qCoro(source, &QNetworkReply::finished);
    disconnect(source, nullptr, this, nullptr);

    const QByteArray rest = reply->isOpen() ? reply->readAll() : QByteArray();
    if (writeError.isEmpty() && limit >= 0 && written + rest.size() > limit)
        writeError = QStringLiteral("The file is larger than %1 bytes.").arg(limit);
    else if (writeError.isEmpty() && !rest.isEmpty() && file->write(rest) != rest.size())
        writeError = file->errorString();
    if (writeError.isEmpty() && !file->flush())
        writeError = file->errorString();
    file->close();

    Result<QString> result = path;
    if (!writeError.isEmpty())
        result = fail(Error::plain(writeError));
    else if (reply->error() != QNetworkReply::NoError && !isHttpStatusError(reply->error()))
        result = fail(Error::plain(reply->errorString()));
    if (!result)
        QFile::remove(path);
    m_task = nullptr;
    co_return result;
}

} // namespace tovel
