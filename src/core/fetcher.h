#pragma once

#include "core/error.h"

#include <QCoroTask>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <optional>

namespace tovel {

// Downloads one remote file into the temporary folder, streaming it to disk.
class Fetcher : public QObject
{
    Q_OBJECT
public:
    explicit Fetcher(QObject *parent = nullptr);
    ~Fetcher() override;

    // The path of the downloaded file. Progress (0 to 1) is reported only when the length is known.
    // With `maxBytes`, a body that says or turns out to be longer is abandoned as soon as that shows.
    QCoro::Task<Result<QString>> fetch(QUrl url, QString userAgent, std::function<void(double)> progress,
                                       std::optional<qint64> maxBytes = std::nullopt);

    // Aborts the download; a fetch that has not started yet will not start.
    void cancel();

private:
    QPointer<QNetworkReply> m_task;
    bool m_cancelled = false;
};

} // namespace tovel
