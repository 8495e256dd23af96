#pragma once

#include "core/error.h"
#include "core/http.h"
#include "core/media.h"
#include "sources/source_table.h"

#include <QCoroTask>

namespace tovel {

struct WikimediaSource
{
    static constexpr qint64 maxAnswerBytes = 8 * 1024 * 1024;
    static bool accepts(const QString &input);
    QCoro::Task<Result<MediaItems>> resolve(QString input, ResolveContext context = {}) const;
};

struct ArchiveSource
{
    static constexpr qint64 maxMetadataBytes = 64 * 1024 * 1024;
    static bool accepts(const QString &input);
    QCoro::Task<Result<MediaItems>> resolve(QString input, std::shared_ptr<Cancellation> cancellation = {}) const;
};

struct DirectMediaSource
{
    static bool accepts(const QString &input);
    QCoro::Task<Result<MediaItems>> resolve(QString input, std::shared_ptr<Cancellation> cancellation = {}) const;
};

struct PodcastSource
{
    static constexpr qint64 maxFeedBytes = 64 * 1024 * 1024;
    static constexpr int maxTries = 4;
    static constexpr int longestWait = 60; // seconds, whatever a Retry-After asks
    static bool accepts(const QString &input);
    // GET of a feed document, asked again (up to `maxTries` in all) while its host answers 408, 429 or
    // 5xx, waiting as the host asks or as the context says. Any other answer is handed back as it came.
    static QCoro::Task<Result<HttpResponse>> fetch(QUrl url, HttpOptions options, ResolveContext context);
    // The context's notices get what the user should know of a feed read despite its errors.
    QCoro::Task<Result<MediaItems>> resolve(QString input, ResolveContext context = {}) const;
};

} // namespace tovel
