#pragma once

#include "core/error.h"

#include <QCoroTask>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

namespace tovel {

// Downloads one remote file into the temporary folder, streaming it to disk.
//
// The body is taken as it is sent (no content decoding), and only from a 2xx answer. A download ends
// with a failure, its partial file removed, when it would leave the temporary folder with less than
// max(1 GiB, 5 %) free, or when less than 1 KiB arrives in any stall window (a minute).
class Fetcher : public QObject
{
    Q_OBJECT
public:
    explicit Fetcher(QObject *parent = nullptr);
    ~Fetcher() override;

    static constexpr qint64 minimumFreeBytes = qint64(1) << 30;
    static constexpr qint64 stallBytes = 1024;
    // A download is tried at most this often, the first try included.
    static constexpr int maxTries = 4;

    // Why the last fetch failed, as far as trying again is concerned: a dropped connection, a time-out,
    // 408, 429 and 5xx may pass; the server may say how long to wait (in seconds).
    struct Failure
    {
        bool retryable = false;
        std::optional<int> retryAfter;
    };

    // The path of the downloaded file. Progress (0 to 1) is reported only when the length is known.
    // With `maxBytes`, a body that says or turns out to be longer is abandoned as soon as that shows.
    // `resume` names the partial file an earlier try left: the rest is asked for, and appended only
    // when the server answers 206 from exactly where the file ends; any other answer starts it again.
    // A failure that may pass keeps what arrived (`partial()`); the caller removes it when giving up.
    QCoro::Task<Result<QString>> fetch(QUrl url, QString userAgent, std::function<void(double)> progress,
                                       std::optional<qint64> maxBytes = std::nullopt, QString resume = {});

    [[nodiscard]] const Failure &lastFailure() const { return m_failure; }
    [[nodiscard]] const QString &partial() const { return m_partial; }

    // Aborts the download; a fetch that has not started yet will not start.
    void cancel();

    // How long a download may go with less than `stallBytes` arriving.
    void setStallWindow(std::chrono::milliseconds window) { m_stallWindow = window; }

private:
    QPointer<QNetworkReply> m_task;
    bool m_cancelled = false;
    Failure m_failure;
    QString m_partial;
    std::chrono::milliseconds m_stallWindow{60'000};
};

// The bytes that must stay free in a folder: 1 GiB, or 5 % of its disk when that is more.
[[nodiscard]] qint64 freeSpaceFloor(const QString &folder);

} // namespace tovel
