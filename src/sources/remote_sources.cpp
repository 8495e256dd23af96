#include "sources/remote_sources.h"

#include "core/endpoints.h"
#include "core/url_text.h"
#include "sources/media_extensions.h"

namespace tovel {

bool WikimediaSource::accepts(const QString &input)
{
    const auto url = parseUrl(trimSpacesAndTabs(input));
    if (!url)
        return false;
    const QString host = url->hostOrEmpty();
    return host.contains(endpoints::wikimediaDomain) || host.contains(endpoints::wikipediaDomain);
}

QCoro::Task<Result<MediaItems>> WikimediaSource::resolve(QString) const
{
    co_return fail(Error::unsupported(QStringLiteral("Point at a Commons File: page.")));
}

bool ArchiveSource::accepts(const QString &input)
{
    const auto url = parseUrl(trimSpacesAndTabs(input));
    return url && url->hostOrEmpty().contains(endpoints::archiveDomain);
}

QCoro::Task<Result<MediaItems>> ArchiveSource::resolve(QString) const
{
    co_return fail(Error::unsupported(QStringLiteral("That does not look like an ") + endpoints::archiveDomain
                                      + QStringLiteral(" item.")));
}

bool DirectMediaSource::accepts(const QString &input)
{
    const auto url = parseUrl(trimSpacesAndTabs(input));
    return url && url->isHttp() && isMediaExtension(pathExtension(url->url));
}

QCoro::Task<Result<MediaItems>> DirectMediaSource::resolve(QString input) const
{
    const auto url = parseUrl(trimSpacesAndTabs(input));
    if (!url)
        co_return fail(Error::unsupported(QStringLiteral("That is not a valid address.")));
    QString title = baseName(lastPathComponent(url->url));
    if (title.isEmpty())
        title = QStringLiteral("Audio");
    const QString host = url->hostOrEmpty();
    co_return MediaItems{MediaItem(title, url->url, host.isEmpty() ? QStringLiteral("Direct link") : host,
                                   pathExtension(url->url))};
}

bool PodcastSource::accepts(const QString &input)
{
    const auto url = parseUrl(trimSpacesAndTabs(input));
    if (!url || !url->isHttp())
        return false;
    const QString path = url->url.path(QUrl::FullyDecoded).toLower();
    if (path.contains(QLatin1String("rss")) || path.contains(QLatin1String("feed")) || path.contains(QLatin1String("xml")))
        return true;
    return url->host && url->host->contains(QLatin1String("feeds."));
}

QCoro::Task<Result<MediaItems>> PodcastSource::resolve(QString) const
{
    co_return fail(Error::parse(QStringLiteral("No audio enclosures in that feed.")));
}

} // namespace tovel
