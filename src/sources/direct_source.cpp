#include "sources/remote_sources.h"

#include "core/endpoints.h"
#include "core/media_extensions.h"
#include "core/url_text.h"
#include <QCoreApplication>

namespace tovel {

bool DirectMediaSource::accepts(const QString &input)
{
    const auto url = parseUrl(trimSpacesAndTabs(input));
    return url && url->isHttp() && isMediaExtension(pathExtension(url->url));
}

QCoro::Task<Result<MediaItems>> DirectMediaSource::resolve(QString input, std::shared_ptr<Cancellation>) const
{
    const auto url = parseUrl(trimSpacesAndTabs(input));
    if (!url)
        co_return fail(Error::unsupported(QCoreApplication::translate("Tovel", "That is not a valid address.")));
    QString title = baseName(lastPathComponent(url->url));
    if (title.isEmpty())
        title = QStringLiteral("Audio");
    const QString host = url->hostOrEmpty();
    co_return MediaItems{MediaItem(title, url->url,
                                   host.isEmpty() ? QCoreApplication::translate("Tovel", "Direct link") : host,
                                   pathExtension(url->url))};
}

} // namespace tovel
