#pragma once

#include "core/error.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <optional>

namespace tovel {

// The one HTTP client configuration: no cookies, no cache, redirects followed unless they go to a less
// safe scheme, and a 60-second inactivity timeout on every request. One per thread.
[[nodiscard]] QNetworkAccessManager &network();

// A whole response: its status and body. The status is only looked at where a caller says so.
struct HttpResponse
{
    int status = 0;
    QByteArray body;
};

// Errors that only repeat the HTTP status: the body still arrived and is handed on like any other.
[[nodiscard]] bool isHttpStatusError(QNetworkReply::NetworkError error);

// GET with the shared client configuration; fails only in transport (the error's own description).
// `userAgent` absent sends no User-Agent header of ours.
QCoro::Task<Result<HttpResponse>> httpGet(QUrl url, std::optional<QString> userAgent,
                                          QList<QPair<QByteArray, QByteArray>> headers = {});

} // namespace tovel
