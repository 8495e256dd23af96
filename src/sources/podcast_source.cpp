#include "sources/remote_sources.h"

#include "core/http.h"
#include "core/url_text.h"
#include "engine/manifest.h"
#include "sources/feed_parser.h"

#include <QCoroFuture>
#include <QCoroTimer>
#include <QElapsedTimer>
#include <QtConcurrent>

#include <QCoreApplication>
#include <algorithm>

namespace tovel {

namespace {

// Waits `seconds`, or less when the resolution is cancelled meanwhile.
QCoro::Task<void> pause(int seconds, std::shared_ptr<Cancellation> cancellation)
{
    QElapsedTimer clock;
    clock.start();
    while (!(cancellation && cancellation->isCancelled()) && clock.elapsed() < seconds * 1000LL)
        co_await QCoro::sleepFor(std::chrono::milliseconds(std::min<qint64>(100, seconds * 1000LL - clock.elapsed())));
}

} // namespace

bool PodcastSource::accepts(const QString &input)
{
    const auto url = parseUrl(trimSpacesAndTabs(input));
    if (!url || !url->isHttp())
        return false;
    const QString path = url->url.path(QUrl::FullyDecoded).toLower();
    if (path.contains(QLatin1String("rss")) || path.contains(QLatin1String("feed"))
        || path.contains(QLatin1String("xml")) || path.endsWith(QLatin1String(".atom")))
        return true;
    return url->host && url->host->contains(QLatin1String("feeds."));
}

QCoro::Task<Result<HttpResponse>> PodcastSource::fetch(QUrl url, HttpOptions options, ResolveContext context)
{
    // A feed host that is busy or briefly down is asked again, as a download would be, waiting as long
    // as it asks (within reason) or a little longer each time.
    const std::shared_ptr<Cancellation> cancellation = options.cancellation;
    Result<HttpResponse> response = fail(cancelledError());
    for (int attempt = 1;; ++attempt) {
        response = co_await httpGet(url, maxFeedBytes, options);
        if (!response || !isRetryableStatus(response->status) || attempt >= maxTries)
            co_return response;
        const int wait = std::min(
            longestWait, retryAfterSeconds(response->retryAfter).value_or(context.retryWaits.value(attempt - 1, 15)));
        co_await pause(wait, cancellation);
        if (cancellation && cancellation->isCancelled())
            co_return fail(cancelledError());
    }
}

QCoro::Task<Result<MediaItems>> PodcastSource::resolve(QString input, ResolveContext context) const
{
    const std::shared_ptr<Cancellation> &cancellation = context.cancellation;
    const auto url = parseUrl(trimSpacesAndTabs(input));
    if (!url)
        co_return fail(Error::unsupported(QCoreApplication::translate("Tovel", "That is not a valid address.")));
    const QString userAgent = context.userAgent.value_or(EngineManifest::builtIn().userAgent);
    // Named, not a temporary in the co_await: g++ 12 destroys such temporaries twice.
    const HttpOptions options{userAgent, {}, cancellation};
    const Result<HttpResponse> response = co_await fetch(url->url, options, context);
    if (!response)
        co_return fail(response.error());
    // An error page has no episodes in it: the status says more than "nothing playable was found".
    if (response->status >= 400)
        co_return fail(Error::network(QCoreApplication::translate("Tovel", "The feed address answered %1.")
                                          .arg(statusText(response->status, response->reason))));
    // Whatever else arrived goes to the parser, off the GUI thread.
    const QByteArray body = response->body;
    const QUrl address = response->finalUrl;
    auto parsing = QtConcurrent::run([body, address] {
        QString notice;
        MediaItems items = parseFeed(body, address, &notice);
        return std::pair(std::move(items), notice);
    });
    auto [items, notice] = co_await parsing;
    if (items.isEmpty())
        co_return fail(Error::parse(QCoreApplication::translate("Tovel", "No audio enclosures in that feed.")));
    if (context.notices && !notice.isEmpty())
        context.notices->append(notice);
    co_return items;
}

} // namespace tovel
