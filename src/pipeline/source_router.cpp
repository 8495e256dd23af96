#include "pipeline/source_router.h"

#include "core/endpoints.h"
#include "core/url_text.h"
#include "sources/local_sources.h"
#include "sources/remote_sources.h"

#include <QFileInfo>

namespace tovel {

namespace SourceRouter {

QString normalizedPath(const QString &input)
{
    return tovel::normalizedPath(input);
}

const SourceType *sourceType(const QString &input)
{
    for (const SourceType &type : sourceTypes())
        if (type.accepts(input))
            return &type;
    return nullptr;
}

static QString routerDetail()
{
    return QStringLiteral("Give a feed, a media link, an ") + endpoints::archiveDomain
        + QStringLiteral(" item, or a file path.");
}

QCoro::Task<Result<MediaItems>> resolve(QString input, ResolveContext context)
{
    if (const SourceType *type = sourceType(input))
        co_return co_await type->resolve(input, context);
    // A path that names nothing is a typing slip or a file moved away, not something no source can read.
    if (looksLikePath(input))
        co_return fail(nothingAtPath(input));
    // Any other web address is tried as a feed.
    if (const auto url = parseUrl(trimSpacesAndTabs(input)); url && url->isHttp())
        co_return co_await PodcastSource().resolve(input, context);
    co_return fail(Error::unsupported(routerDetail()));
}

QString hint(const QString &input)
{
    const QString text = trimWhitespace(input);
    if (text.isEmpty())
        return QStringLiteral("Paste a podcast feed, a media link, an ") + endpoints::archiveDomain
            + QStringLiteral(" item, or a file path.");
    if (const SourceType *type = sourceType(text))
        return type->hint;
    if (looksLikePath(text))
        return nothingAtPath(text).description();
    if (const auto url = parseUrl(text); url && url->scheme.startsWith(QLatin1String("http")))
        return QStringLiteral("Unrecognised link \u2014 Tovel will try to read it as a feed.");
    return QStringLiteral("Not a link or a file path yet.");
}

} // namespace SourceRouter
} // namespace tovel
