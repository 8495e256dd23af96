#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace tovel::test {

// A small HTTP/1.1 server on 127.0.0.1, running on its own thread, for tests of everything that
// downloads. Each path gets a canned answer: any status, a body sent with or without a length, sent at
// once, dripped slowly, generated on the fly (for huge bodies), or never answered at all.
class HttpServer
{
public:
    struct Response
    {
        int status = 200;
        QByteArray body = {};
        QByteArray contentType = "application/octet-stream";
        QList<QPair<QByteArray, QByteArray>> headers = {};
        bool sendLength = true;
        qint64 generatedSize = -1; // when set, that many bytes of zeros are sent instead of `body`
        int chunkSize = 0;         // drip the body in chunks of this size ...
        int chunkDelayMs = 0;      // ... this far apart
        bool stall = false;        // accept the request and never answer
        int delayMs = 0;           // wait before answering
        qint64 dropAfter = -1;     // when set, the connection is cut after that many bytes of the body
        bool ranges = false;       // answer "Range: bytes=N-" with 206 and the rest of the body
        QByteArray etag = {};      // sent as ETag; a range asked "If-Range" another tag gets the whole body
        bool chunked = false;      // sent in chunks with no length; cut by `dropAfter`, the last chunk never comes
        // Ways a ranged answer can be wrong: start elsewhere, state another total, carry only some of the rest,
        // or ignore If-Range.
        qint64 rangeShift = 0;
        qint64 statedTotal = -1;
        qint64 rangeBytes = -1;
        bool ignoresIfRange = false;
    };

    struct Request
    {
        QByteArray target;                     // path and query, as sent
        QHash<QByteArray, QByteArray> headers; // names lower-cased
    };

    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Answers requests for `target` (a path, optionally with its query; a path alone matches any query).
    void route(const QByteArray &target, Response response)
    {
        const QMutexLocker lock(&m_mutex);
        m_routes.insert(target, std::move(response));
    }
    // Answers the requests for `target` with these in turn; the last one answers every request after.
    void routeInTurn(const QByteArray &target, QList<Response> responses)
    {
        const QMutexLocker lock(&m_mutex);
        m_turns.insert(target, std::move(responses));
    }
    // The common case: a body sent at once with its length.
    void serve(const QByteArray &target, QByteArray body, int status = 200)
    {
        route(target, {.status = status, .body = std::move(body)});
    }
    // "http://127.0.0.1:PORT"
    [[nodiscard]] QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    [[nodiscard]] QUrl url(const QString &target) const { return QUrl(base() + target); }
    [[nodiscard]] QList<Request> requests() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_requests;
    }
    // How many requests asked for `path`, whatever their query.
    [[nodiscard]] qsizetype asked(const QByteArray &path) const
    {
        return std::ranges::count_if(requests(), [&path](const Request &request) {
            return request.target == path || request.target.startsWith(path + '?');
        });
    }
    // The most requests open at the same time; a request is open until its connection closes.
    [[nodiscard]] int mostConcurrent() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_most;
    }
    [[nodiscard]] int openRequests() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_open;
    }

private:
    class Worker;
    friend class Worker;

    mutable QMutex m_mutex;
    QHash<QByteArray, Response> m_routes;
    QHash<QByteArray, QList<Response>> m_turns;
    QList<Request> m_requests;
    int m_open = 0;
    int m_most = 0;
    quint16 m_port = 0;
    QThread m_thread;
    Worker *m_worker = nullptr;
};

} // namespace tovel::test
