#pragma once

#include "core/error.h"
#include "core/media.h"

#include <QCoroTask>

namespace tovel {

struct WikimediaSource
{
    static inline const QString identifier = QStringLiteral("wikimedia");
    static inline const QString label = QStringLiteral("Wikimedia Commons");
    static bool accepts(const QString &input);
    QCoro::Task<Result<MediaItems>> resolve(QString input) const;
};

struct ArchiveSource
{
    static inline const QString identifier = QStringLiteral("archive");
    static inline const QString label = QStringLiteral("Internet Archive");
    static bool accepts(const QString &input);
    QCoro::Task<Result<MediaItems>> resolve(QString input) const;
};

struct DirectMediaSource
{
    static inline const QString identifier = QStringLiteral("direct");
    static inline const QString label = QStringLiteral("Direct media link");
    static bool accepts(const QString &input);
    QCoro::Task<Result<MediaItems>> resolve(QString input) const;
};

struct PodcastSource
{
    static inline const QString identifier = QStringLiteral("podcast");
    static inline const QString label = QStringLiteral("Podcast feed");
    static bool accepts(const QString &input);
    QCoro::Task<Result<MediaItems>> resolve(QString input) const;
};

} // namespace tovel
