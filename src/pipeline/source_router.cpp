#include "pipeline/source_router.h"

#include "core/endpoints.h"
#include "core/url_text.h"
#include "pipeline/input_list.h"
#include "sources/local_sources.h"
#include "sources/remote_sources.h"

#include <QCoreApplication>
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
    return QCoreApplication::translate("Tovel", "Give a feed, a media link, an %1 item, or a file path.")
        .arg(endpoints::archiveDomain);
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
        return QCoreApplication::translate("Tovel", "Paste a podcast feed, a media link, an %1 item, or a file path.")
            .arg(endpoints::archiveDomain);
    if (const auto listed = listedInputs(text))
        return *listed ? QCoreApplication::translate("Tovel", "A list of %n sources, each gathered on its own.",
                                                     nullptr, int((*listed)->size()))
                       : listed->error().description();
    if (const SourceType *type = sourceType(text))
        return QCoreApplication::translate("Tovel", type->hint.toUtf8().constData());
    if (looksLikePath(text))
        return nothingAtPath(text).description();
    if (const auto url = parseUrl(text); url && url->scheme.startsWith(QLatin1String("http")))
        return QCoreApplication::translate("Tovel", "Unrecognised link \u2014 Tovel will try to read it as a feed.");
    return QCoreApplication::translate("Tovel", "Not a link or a file path yet.");
}

} // namespace SourceRouter
} // namespace tovel
