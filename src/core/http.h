#pragma once

#include "core/error.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <chrono>
#include <memory>
#include <optional>

namespace tovel {

// The one HTTP client configuration: no cookies, no cache, redirects followed unless they go to a less
// safe scheme, and a 60-second inactivity timeout on every request. One per thread.
[[nodiscard]] QNetworkAccessManager &network();

// Ends the requests made under it, those in flight and any made later. Lives on the thread of its requests.
class Cancellation : public QObject
{
    Q_OBJECT
public:
    void cancel();
    [[nodiscard]] bool isCancelled() const { return m_cancelled; }

signals:
    void cancelled();

private:
    bool m_cancelled = false;
};

// The failure a cancelled request or resolution ends with; nobody is meant to show it.
[[nodiscard]] Error cancelledError();
[[nodiscard]] bool isCancelledError(const Error &error);

// A whole response: its status, the address it finally came from (after redirects) and its body.
// The status is only looked at where a caller says so.
struct HttpResponse
{
    int status = 0;
    QByteArray body;
    QUrl finalUrl;
    QByteArray reason;     // the status's words as the server sent them ("Not Found")
    QByteArray retryAfter; // the Retry-After header, empty when there was none
    QList<QNetworkReply::RawHeaderPair> headers;

    // The named header's value (matched whatever its case); empty when it was not sent.
    [[nodiscard]] QByteArray header(const QByteArray &name) const;
};

// "404 Not Found", or "404" when the server gave no words: a status as the user reads it, with anything
// unprintable in the server's words left out.
[[nodiscard]] QString statusText(int status, const QByteArray &reason);

// How long a Retry-After header asks us to wait: "120", or an HTTP date (at most an hour away; a date
// already past is no wait). Nothing when it is neither.
[[nodiscard]] std::optional<int> retryAfterSeconds(const QByteArray &value);

// The statuses a later try may get past: 408, 429 and 5xx.
[[nodiscard]] constexpr bool isRetryableStatus(int status)
{
    return status == 408 || status == 429 || (status >= 500 && status < 600);
}

// Errors that only repeat the HTTP status: the body still arrived and is handed on like any other.
[[nodiscard]] bool isHttpStatusError(QNetworkReply::NetworkError error);

// Less than this arriving in a stall window ends a request.
inline constexpr qint64 stallBytes = 1024;

struct HttpOptions
{
    std::optional<QString> userAgent; // absent sends no User-Agent header of ours
    QList<QPair<QByteArray, QByteArray>> headers;
    std::shared_ptr<Cancellation> cancellation;
    std::chrono::milliseconds stallWindow{60'000};
    // The longest the whole request may take, for small documents that have no reason to take long: a
    // server can send an endless head, which the network layer keeps in memory until the stall window.
    std::optional<std::chrono::milliseconds> deadline = std::nullopt;
    // Off: a redirect is handed back as it came (its status and Location), for callers that must know
    // whether an address moved for good.
    bool followRedirects = true;
};

// GET of a document, read into memory as it streams and abandoned as soon as it proves longer than
// `maxBytes`, or when less than `stallBytes` arrive in a stall window. Fails in transport (a stall
// included) with `Error::network` (the error's own description), on a body that
// is too long with `Error::parse`, and when cancelled with `cancelledError()`.
// (Callers name their options: g++ 12 destroys a temporary inside a co_await twice.)
QCoro::Task<Result<HttpResponse>> httpGet(QUrl url, qint64 maxBytes, HttpOptions options);

// "64 MiB", "64 KiB", "512 bytes": a limit as the user reads it.
[[nodiscard]] QString sizeText(qint64 bytes);

} // namespace tovel
