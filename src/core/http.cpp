#include "core/http.h"

#include "core/dates.h"
#include "platform/later.h"

#include <QCoroSignal>
#include <QDateTime>
#include <QLocale>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QThreadStorage>
#include <QTimer>

#include <QCoreApplication>
#include <algorithm>

namespace tovel {

namespace {
// Keeps no cookies at all.
class NoCookies : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl &) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie> &, const QUrl &) override { return false; }
};
} // namespace

QNetworkAccessManager &network()
{
    static QThreadStorage<QNetworkAccessManager *> managers;
    if (!managers.hasLocalData()) {
        auto *manager = new QNetworkAccessManager;
        manager->setCookieJar(new NoCookies(manager));
        manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
        manager->setTransferTimeout(60'000);
        managers.setLocalData(manager);
    }
    return *managers.localData();
}

void Cancellation::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    emit cancelled();
}

Error cancelledError()
{
    return Error::plain(QCoreApplication::translate("Tovel", "Cancelled."));
}

bool isCancelledError(const Error &error)
{
    return error == cancelledError();
}

bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

QString statusText(int status, const QByteArray &reason)
{
    QString words;
    for (char c : reason)
        if (c >= 0x20 && c < 0x7F)
            words += QLatin1Char(c);
    words = words.trimmed();
    return words.isEmpty() ? QString::number(status) : QString::number(status) + u' ' + words;
}

std::optional<int> retryAfterSeconds(const QByteArray &value)
{
    bool ok = false;
    const int seconds = value.trimmed().toInt(&ok);
    if (ok && seconds >= 0)
        return seconds;
    const auto when = parseDate(QString::fromLatin1(value));
    if (!when)
        return std::nullopt;
    return int(std::clamp<qint64>(QDateTime::currentDateTimeUtc().secsTo(*when), 0, 3600));
}

QString sizeText(qint64 bytes)
{
    // The limits are whole KiB or MiB; C, so that no locale's digit grouping creeps in.
    return QLocale::c().formattedDataSize(bytes, 0, QLocale::DataSizeIecFormat);
}

QCoro::Task<Result<HttpResponse>> httpGet(QUrl url, qint64 maxBytes, HttpOptions options)
{
    const std::shared_ptr<Cancellation> cancellation = options.cancellation;
    if (cancellation && cancellation->isCancelled())
        co_return fail(cancelledError());
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    if (options.userAgent)
        request.setRawHeader("User-Agent", options.userAgent->toUtf8());
    for (const auto &[name, value] : options.headers)
        request.setRawHeader(name, value);
    if (!options.followRedirects)
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    LaterPtr<QNetworkReply> reply(network().get(request));
    QNetworkReply *source = reply.get();

    // The body is taken as it streams, so a document that never ends is noticed at its limit rather
    // than after it has filled the memory.
    QByteArray body;
    bool tooLong = false;
    const auto overLimit = [source, maxBytes, &tooLong](qint64 size) {
        if (size > maxBytes && !tooLong) {
            tooLong = true;
            source->abort();
        }
        return tooLong;
    };
    QObject::connect(source, &QNetworkReply::metaDataChanged, source, [source, &overLimit] {
        if (const QVariant length = source->header(QNetworkRequest::ContentLengthHeader); length.isValid())
            overLimit(length.toLongLong());
    });
    QObject::connect(source, &QNetworkReply::readyRead, source, [source, &body, &overLimit] {
        if (!overLimit(body.size() + source->bytesAvailable()))
            body += source->readAll();
    });
    // The client's own timeout only notices silence: a server that drips a byte now and then would hold
    // the request open for ever.
    QTimer stallCheck;
    qint64 receivedAtCheck = 0;
    bool stalled = false;
    QObject::connect(&stallCheck, &QTimer::timeout, source, [source, &body, &receivedAtCheck, &stalled] {
        const qint64 received = body.size() + source->bytesAvailable();
        if (received - receivedAtCheck < stallBytes) {
            stalled = true;
            source->abort();
        }
        receivedAtCheck = received;
    });
    stallCheck.start(options.stallWindow);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, source, [source, &stalled] {
        stalled = true;
        source->abort();
    });
    if (options.deadline)
        deadline.start(*options.deadline);
    if (cancellation)
        // Queued: whoever cancels is never re-entered by the resolution it ends.
        QObject::connect(cancellation.get(), &Cancellation::cancelled, source, &QNetworkReply::abort,
                         Qt::QueuedConnection);
    if (!reply->isFinished())
        co_await qCoro(source, &QNetworkReply::finished);
    stallCheck.stop();
    deadline.stop();
    QObject::disconnect(source, nullptr, nullptr, nullptr);
    if (cancellation)
        QObject::disconnect(cancellation.get(), nullptr, source, nullptr);
    if (stalled)
        co_return fail(Error::network(
            QCoreApplication::translate("Tovel", "The server stalled: the answer did not come in time.")));

    if (cancellation && cancellation->isCancelled())
        co_return fail(cancelledError());
    if (!tooLong && source->isOpen() && !overLimit(body.size() + source->bytesAvailable()))
        body += source->readAll();
    if (tooLong)
        co_return fail(Error::parse(
            QCoreApplication::translate("Tovel", "The answer is larger than %1.").arg(sizeText(maxBytes))));
    if (reply->error() != QNetworkReply::NoError && !isHttpStatusError(reply->error()))
        co_return fail(Error::network(reply->errorString()));
    co_return HttpResponse{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                           std::move(body),
                           reply->url(),
                           reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray(),
                           reply->rawHeader("Retry-After"),
                           reply->rawHeaderPairs()};
}

QByteArray HttpResponse::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

} // namespace tovel
