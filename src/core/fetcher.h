#pragma once

#include "core/error.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>

namespace tovel {

// The one HTTP client configuration: no cookies, no cache, redirects followed unless they go to a less
// safe scheme, and a 60-second inactivity timeout on every request. One per thread.
[[nodiscard]] QNetworkAccessManager &network();

// Downloads one remote file into the temporary folder, streaming it to disk.
class Fetcher : public QObject
{
    Q_OBJECT
public:
    explicit Fetcher(QObject *parent = nullptr);
    ~Fetcher() override;

    // The path of the downloaded file. Progress (0 to 1) is reported only when the length is known.
    QCoro::Task<Result<QString>> fetch(QUrl url, QString userAgent, std::function<void(double)> progress);

    // Aborts the download; a fetch that has not started yet will not start.
    void cancel();
    [[nodiscard]] bool isCancelled() const { return m_cancelled; }

    // The running transfer, if there is one yet.
    [[nodiscard]] QNetworkReply *task() const { return m_task; }

private:
    QPointer<QNetworkReply> m_task;
    bool m_cancelled = false;
};

} // namespace tovel
