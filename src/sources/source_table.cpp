#include "sources/source_table.h"

#include "sources/local_sources.h"
#include "sources/remote_sources.h"

#include <QtGlobal>

namespace tovel {

namespace {

// Calls a source's own resolve with as much as it takes.
template <class Source> QCoro::Task<Result<MediaItems>> resolveWith(QString input, ResolveContext context)
{
    const Source source;
    if constexpr (requires { source.resolve(input, context); })
        co_return co_await source.resolve(input, context);
    else if constexpr (requires { source.resolve(input, context.cancellation); })
        co_return co_await source.resolve(input, context.cancellation);
    else
        co_return co_await source.resolve(input);
}

// The kind word and the hint stay in English here and are translated where they are shown.
template <class Source>
SourceType row(const char *identifier, const char *label, const char *kindWord, const char *hint)
{
    return {QString::fromUtf8(identifier), QString::fromUtf8(label), QString::fromUtf8(kindWord),
            QString::fromUtf8(hint),       &Source::accepts,         &resolveWith<Source>};
}

} // namespace

const QList<SourceType> &sourceTypes()
{
    // A folder is also a path that exists, and Commons and the Archive serve media files by direct
    // links: the narrower reading goes first.
    // clang-format off
    static const QList<SourceType> table{
        row<LocalFolderSource>("folder", "Folder of files", QT_TRANSLATE_NOOP("Tovel", "File"),
                               QT_TRANSLATE_NOOP("Tovel", "Folder \u2014 every audio file inside, converted offline.")),
        row<LocalFileSource>("local", "Local file", QT_TRANSLATE_NOOP("Tovel", "File"),
                             QT_TRANSLATE_NOOP("Tovel", "Local file \u2014 converts without touching the network.")),
        row<WikimediaSource>("wikimedia", "Wikimedia Commons", "",
                             QT_TRANSLATE_NOOP("Tovel", "Wikimedia Commons \u2014 freely licensed media.")),
        row<ArchiveSource>("archive", "Internet Archive", QT_TRANSLATE_NOOP("Tovel", "Archive"),
                           QT_TRANSLATE_NOOP("Tovel", "Internet Archive item.")),
        row<DirectMediaSource>("direct", "Direct media link", QT_TRANSLATE_NOOP("Tovel", "Direct"),
                               QT_TRANSLATE_NOOP("Tovel", "Direct media link.")),
        row<PodcastSource>("podcast", "Podcast feed", QT_TRANSLATE_NOOP("Tovel", "Feed"),
                           QT_TRANSLATE_NOOP("Tovel", "Podcast feed.")),
    };
    // clang-format on
    return table;
}

} // namespace tovel
