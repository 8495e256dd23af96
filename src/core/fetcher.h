#pragma once

#include "core/error.h"
#include "core/http.h"
#include "core/media.h"

#include <QCoroTask>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace tovel {

// Downloads one remote file into the temporary folder, streaming it to disk, and checks that what
// arrived is the whole file the server announced.
//
// The body is taken as it is sent (no content decoding), and only from a 2xx answer. A download ends
// with a failure, its partial file removed, when it would leave the temporary folder with less than
// max(1 GiB, 5 %) free, or when less than 1 KiB arrives in any stall window (a minute).
//
// One fetcher serves one file over all its tries: a try that breaks off keeps what arrived, and the
// next `fetch` asks only for the rest — with the first answer's validator as If-Range, and taking the
// rest only when it starts where the file ends and belongs to a file of the same total length.
// Anything else starts the file again from its first byte, so two versions are never stitched together.
class Fetcher : public QObject
{
    Q_OBJECT
public:
    explicit Fetcher(QObject *parent = nullptr);
    ~Fetcher() override;

    static constexpr qint64 minimumFreeBytes = qint64(1) << 30;
    // The most a download whose length the server never says may bring.
    static constexpr qint64 unannouncedLimit = qint64(8) << 30;
    // A download is tried at most this often, the first try included.
    static constexpr int maxTries = 4;

    // Why the last fetch failed, as far as trying again is concerned: a dropped connection, a time-out,
    // a short or inconsistent answer, 408, 429 and 5xx may pass; the server may say how long to wait
    // (in seconds). `mismatch`: the file arrived whole but is not what its publisher lists.
    struct Failure
    {
        bool retryable = false;
        bool mismatch = false;
        std::optional<int> retryAfter;
    };

    // Sizes and digests to hold the file to; they are computed as the bytes arrive.
    void expect(ListedFile listed);

    // The path of the downloaded file, which the caller then owns. Progress (0 to 1) is reported only
    // when the length is known. With `maxBytes`, a body that says or turns out to be longer is
    // abandoned as soon as that shows. A failure that may pass keeps what arrived, when it can soundly
    // be resumed, for the next call.
    QCoro::Task<Result<QString>> fetch(QUrl url, QString userAgent, std::function<void(double)> progress,
                                       std::optional<qint64> maxBytes = std::nullopt);

    [[nodiscard]] const Failure &lastFailure() const { return m_failure; }
    // Whether the last file fetched is known to be whole: its length was announced and met, or it
    // matched what its publisher lists. A body that just stopped, with no length said, is not.
    [[nodiscard]] bool provedWhole() const { return m_provedWhole; }
    // What an earlier try left to resume; empty when nothing is kept.
    [[nodiscard]] const QString &partial() const { return m_partial; }
    // Removes what an earlier try left and forgets what its answer said.
    void discard();

    // Aborts the download; a fetch that has not started yet will not start.
    void cancel();

    // How long a download may go with less than `stallBytes` arriving.
    void setStallWindow(std::chrono::milliseconds window) { m_stallWindow = window; }

private:
    void startOver();

    QPointer<QNetworkReply> m_task;
    bool m_cancelled = false;
    Failure m_failure;
    QString m_partial;
    QByteArray m_validator; // the first answer's strong ETag, else its Last-Modified
    qint64 m_total = -1;    // the whole file's length, as the first answer gave it
    ListedFile m_listed;
    std::unique_ptr<class StreamDigest> m_digest; // of the bytes on disk, when the publisher lists one
    bool m_provedWhole = false;
    std::chrono::milliseconds m_stallWindow{60'000};
};

// The bytes that must stay free in a folder: 1 GiB, or 5 % of its disk when that is more.
[[nodiscard]] qint64 freeSpaceFloor(const QString &folder);

// "bytes 100-199/1000" as {100, 199, 1000}; a total of "*" is -1, and "bytes */1000" is {-1, -1, 1000}.
struct ContentRange
{
    qint64 first = -1;
    qint64 last = -1;
    qint64 total = -1;
};
[[nodiscard]] std::optional<ContentRange> parseContentRange(const QByteArray &value);

} // namespace tovel
