#include "support/http_server.h"

#include <QPointer>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace tovel::test {

class HttpServer::Worker : public QObject
{
public:
    explicit Worker(HttpServer *owner) : m_owner(owner) {}

    quint16 listen()
    {
        m_server = new QTcpServer(this);
        m_server->listen(QHostAddress::LocalHost, 0);
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection())
                accept(socket);
        });
        return m_server->serverPort();
    }

private:
    void accept(QTcpSocket *socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QByteArray head = buffer->left(end);
            buffer->remove(0, end + 4);
            handle(socket, head);
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    void handle(QTcpSocket *socket, const QByteArray &head)
    {
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        Request request{first.value(1), {}};
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        Response response;
        {
            QMutexLocker lock(&m_owner->m_mutex);
            m_owner->m_requests.append(request);
            const QByteArray path = request.target.split('?').value(0);
            if (auto turns = m_owner->m_turns.find(path); turns != m_owner->m_turns.end() && !turns->isEmpty())
                response = turns->size() > 1 ? turns->takeFirst() : turns->first();
            else if (m_owner->m_routes.contains(request.target))
                response = m_owner->m_routes.value(request.target);
            else if (m_owner->m_routes.contains(path))
                response = m_owner->m_routes.value(path);
            else
                response = Response{.status = 404, .body = "not here", .contentType = "text/plain"};
            ++m_owner->m_open;
            m_owner->m_most = std::max(m_owner->m_most, m_owner->m_open);
        }
        // A request is open until its connection is gone, whichever side closed it.
        connect(socket, &QObject::destroyed, this, [this] {
            QMutexLocker lock(&m_owner->m_mutex);
            --m_owner->m_open;
        });
        if (response.stall)
            return;
        if (!response.etag.isEmpty())
            response.headers.append({"ETag", response.etag});
        // A client that holds this version already is told so, without a body.
        if (!response.etag.isEmpty() && request.headers.value("if-none-match") == response.etag) {
            response.status = 304;
            response.body.clear();
            response.generatedSize = -1;
        }
        // A ranged answer: 206 with the rest of the body from the asked offset, unless If-Range names
        // another version.
        const QByteArray range = request.headers.value("range");
        const QByteArray ifRange = request.headers.value("if-range");
        const bool sameVersion = ifRange.isEmpty() || ifRange == response.etag || response.ignoresIfRange;
        const bool ranged = response.ranges && range.startsWith("bytes=") && range.endsWith('-') && sameVersion;
        if (ranged) {
            const qint64 whole = response.body.size();
            const qint64 from = std::min(whole, range.mid(6).chopped(1).toLongLong() + response.rangeShift);
            const qint64 count = response.rangeBytes >= 0 ? std::min(response.rangeBytes, whole - from) : whole - from;
            response.status = 206;
            response.headers.append(
                {"Content-Range",
                 "bytes " + QByteArray::number(from) + '-' + QByteArray::number(from + count - 1) + '/'
                     + QByteArray::number(response.statedTotal >= 0 ? response.statedTotal : whole)});
            response.body = response.body.mid(from, count);
        }
        QTimer::singleShot(response.delayMs, socket, [this, socket, response] { respond(socket, response); });
    }

    // The reason phrases tests read in the sentences they expect; any other status says only "Status".
    static QByteArray reason(int status)
    {
        static const QHash<int, QByteArray> reasons{{200, "OK"},
                                                    {404, "Not Found"},
                                                    {429, "Too Many Requests"},
                                                    {500, "Internal Server Error"},
                                                    {503, "Service Unavailable"}};
        return reasons.value(status, "Status");
    }

    void respond(QTcpSocket *socket, const Response &response)
    {
        const qint64 size = response.generatedSize >= 0 ? response.generatedSize : response.body.size();
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) + "\r\n";
        head += "Content-Type: " + response.contentType + "\r\n";
        for (const auto &[name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        if (response.chunked)
            head += "Transfer-Encoding: chunked\r\n";
        else if (response.sendLength)
            head += "Content-Length: " + QByteArray::number(size) + "\r\n";
        head += "Connection: close\r\n\r\n";
        socket->write(head);

        // Sends the body piece by piece, never holding more than one chunk; closing marks the end.
        auto sent = std::make_shared<qint64>(0);
        const int chunk = response.chunkSize > 0 ? response.chunkSize : 256 * 1024;
        auto sendMore = std::make_shared<std::function<void()>>();
        QPointer<QTcpSocket> guard(socket);
        // In chunked framing each piece goes as its own chunk, and a body sent whole ends with the last one.
        const auto frame = [chunked = response.chunked](const QByteArray &piece) {
            return chunked && !piece.isEmpty() ? QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n" : piece;
        };
        const QByteArray last = response.chunked ? QByteArray("0\r\n\r\n") : QByteArray();
        *sendMore = [guard, sent, size, chunk, response, sendMore, frame, last] {
            if (!guard)
                return;
            const qint64 n = std::min<qint64>(chunk, size - *sent);
            if (response.dropAfter >= 0 && *sent + n >= response.dropAfter) {
                guard->write(frame(response.body.mid(*sent, response.dropAfter - *sent)));
                // Cut once the bytes are out, from the event loop: never inside this sender while it runs.
                QTimer::singleShot(300, guard, [socket = guard] {
                    if (socket)
                        socket->disconnectFromHost();
                });
                *sendMore = nullptr;
                return;
            }
            guard->write(frame(response.generatedSize >= 0 ? QByteArray(n, '\0') : response.body.mid(*sent, n)));
            *sent += n;
            if (*sent >= size) {
                guard->write(last);
                guard->disconnectFromHost();
                *sendMore = nullptr;
            } else if (response.chunkDelayMs > 0) {
                QTimer::singleShot(response.chunkDelayMs, guard, [sendMore] {
                    if (*sendMore)
                        (*sendMore)();
                });
            }
        };
        // A client that hangs up mid-body ends the sender, which would otherwise keep itself alive.
        // Queued, so it never runs inside the sender itself.
        const auto end = [sendMore] { *sendMore = nullptr; };
        connect(socket, &QAbstractSocket::disconnected, this, end, Qt::QueuedConnection);
        connect(socket, &QObject::destroyed, this, end, Qt::QueuedConnection);
        // Undelayed, as fast as the client reads: refill when the socket's buffer drains.
        if (response.chunkDelayMs <= 0)
            connect(socket, &QTcpSocket::bytesWritten, socket, [socket, sendMore] {
                if (*sendMore && socket->bytesToWrite() < 64 * 1024)
                    (*sendMore)();
            });
        (*sendMore)();
    }

    HttpServer *m_owner;
    QTcpServer *m_server = nullptr;
};

HttpServer::HttpServer()
{
    m_worker = new Worker(this);
    m_worker->moveToThread(&m_thread);
    m_thread.start();
    QSemaphore ready;
    QMetaObject::invokeMethod(m_worker, [this, &ready] {
        m_port = m_worker->listen();
        ready.release();
    });
    ready.acquire();
}

HttpServer::~HttpServer()
{
    QMetaObject::invokeMethod(
        m_worker, [this] { delete m_worker; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

} // namespace tovel::test
