#include "sources/remote_sources.h"

#include "core/http.h"
#include "core/url_text.h"
#include "engine/manifest.h"
#include "sources/feed_parser.h"

#include <QCoroFuture>
#include <QtConcurrent>

namespace tovel {

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

QCoro::Task<Result<MediaItems>> PodcastSource::resolve(QString input, std::shared_ptr<Cancellation> cancellation) const
{
    const auto url = parseUrl(trimSpacesAndTabs(input));
    if (!url)
        co_return fail(Error::unsupported(QStringLiteral("That is not a valid address.")));
    const QString userAgent = ManifestStore::shared().manifest().userAgent;
    // Named, not a temporary in the co_await: g++ 12 destroys such temporaries twice.
    const HttpOptions options{userAgent, {}, cancellation};
    const Result<HttpResponse> response = co_await httpGet(url->url, maxFeedBytes, options);
    if (!response)
        co_return fail(response.error());
    // Whatever arrived, an error page included, goes to the parser, off the GUI thread.
    const QByteArray body = response->body;
    const QUrl address = response->finalUrl;
    auto parsing = QtConcurrent::run([body, address] { return parseFeed(body, address); });
    MediaItems items = co_await parsing;
    if (items.isEmpty())
        co_return fail(Error::parse(QStringLiteral("No audio enclosures in that feed.")));
    co_return items;
}

} // namespace tovel
