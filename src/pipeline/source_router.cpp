#include "pipeline/source_router.h"

#include "core/endpoints.h"
#include "core/url_text.h"
#include "sources/local_sources.h"
#include "sources/remote_sources.h"

#include <QFileInfo>

namespace tovel {

QString identifier(SourceType type)
{
    switch (type) {
    case SourceType::local: return LocalFileSource::identifier;
    case SourceType::direct: return DirectMediaSource::identifier;
    case SourceType::podcast: return PodcastSource::identifier;
    case SourceType::archive: return ArchiveSource::identifier;
    case SourceType::folder: return LocalFolderSource::identifier;
    case SourceType::wikimedia: return WikimediaSource::identifier;
    }
    return {};
}

QString label(SourceType type)
{
    switch (type) {
    case SourceType::local: return LocalFileSource::label;
    case SourceType::direct: return DirectMediaSource::label;
    case SourceType::podcast: return PodcastSource::label;
    case SourceType::archive: return ArchiveSource::label;
    case SourceType::folder: return LocalFolderSource::label;
    case SourceType::wikimedia: return WikimediaSource::label;
    }
    return {};
}

namespace SourceRouter {

QString normalizedPath(const QString &input)
{
    return tovel::normalizedPath(input);
}

std::optional<SourceType> sourceType(const QString &input)
{
    if (LocalFolderSource::accepts(input))
        return SourceType::folder;
    if (LocalFileSource::accepts(input))
        return SourceType::local;
    if (WikimediaSource::accepts(input))
        return SourceType::wikimedia;
    if (ArchiveSource::accepts(input))
        return SourceType::archive;
    if (DirectMediaSource::accepts(input))
        return SourceType::direct;
    if (PodcastSource::accepts(input))
        return SourceType::podcast;
    return std::nullopt;
}

static QString routerDetail()
{
    return QStringLiteral("Give a feed, a media link, an ") + endpoints::archiveDomain
        + QStringLiteral(" item, or a file path.");
}

QCoro::Task<Result<MediaItems>> resolve(QString input, std::shared_ptr<Cancellation> cancellation,
                                        std::shared_ptr<QStringList> notices)
{
    if (const auto type = sourceType(input)) {
        switch (*type) {
        case SourceType::folder: co_return co_await LocalFolderSource().resolve(input);
        case SourceType::local: co_return co_await LocalFileSource().resolve(input);
        case SourceType::wikimedia: co_return co_await WikimediaSource().resolve(input, cancellation);
        case SourceType::archive: co_return co_await ArchiveSource().resolve(input, cancellation);
        case SourceType::direct: co_return co_await DirectMediaSource().resolve(input, cancellation);
        case SourceType::podcast: co_return co_await PodcastSource().resolve(input, cancellation, notices);
        }
    }
    // A path that names nothing is a typing slip or a file moved away, not something no source can read.
    if (looksLikePath(input))
        co_return fail(nothingAtPath(input));
    // Any other web address is tried as a feed.
    if (const auto url = parseUrl(trimSpacesAndTabs(input)); url && url->isHttp())
        co_return co_await PodcastSource().resolve(input, cancellation, notices);
    co_return fail(Error::unsupported(routerDetail()));
}

QString hint(const QString &input)
{
    const QString text = trimWhitespace(input);
    if (text.isEmpty())
        return QStringLiteral("Paste a podcast feed, a media link, an ") + endpoints::archiveDomain
            + QStringLiteral(" item, or a file path.");
    if (LocalFolderSource::accepts(text))
        return QStringLiteral("Folder \u2014 every audio file inside, converted offline.");
    if (LocalFileSource::accepts(text))
        return QStringLiteral("Local file \u2014 converts without touching the network.");
    if (WikimediaSource::accepts(text))
        return QStringLiteral("Wikimedia Commons \u2014 freely licensed media.");
    if (ArchiveSource::accepts(text))
        return QStringLiteral("Internet Archive item.");
    if (DirectMediaSource::accepts(text))
        return QStringLiteral("Direct media link.");
    if (PodcastSource::accepts(text))
        return QStringLiteral("Podcast feed.");
    if (looksLikePath(text))
        return nothingAtPath(text).description();
    if (const auto url = parseUrl(text); url && url->scheme.startsWith(QLatin1String("http")))
        return QStringLiteral("Unrecognised link \u2014 Tovel will try to read it as a feed.");
    return QStringLiteral("Not a link or a file path yet.");
}

} // namespace SourceRouter
} // namespace tovel
