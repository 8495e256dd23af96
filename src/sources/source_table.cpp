#include "sources/source_table.h"

#include "sources/local_sources.h"
#include "sources/remote_sources.h"

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

template <class Source>
SourceType row(const char16_t *identifier, const char16_t *label, const char16_t *kindWord, const char16_t *hint)
{
    return {QString::fromUtf16(identifier), QString::fromUtf16(label), QString::fromUtf16(kindWord),
            QString::fromUtf16(hint),       &Source::accepts,          &resolveWith<Source>};
}

} // namespace

const QList<SourceType> &sourceTypes()
{
    // A folder is also a path that exists, and Commons and the Archive serve media files by direct
    // links: the narrower reading goes first.
    // clang-format off
    static const QList<SourceType> table{
        row<LocalFolderSource>(u"folder", u"Folder of files", u"File",
                               u"Folder \u2014 every audio file inside, converted offline."),
        row<LocalFileSource>(u"local", u"Local file", u"File",
                             u"Local file \u2014 converts without touching the network."),
        row<WikimediaSource>(u"wikimedia", u"Wikimedia Commons", u"",
                             u"Wikimedia Commons \u2014 freely licensed media."),
        row<ArchiveSource>(u"archive", u"Internet Archive", u"Archive", u"Internet Archive item."),
        row<DirectMediaSource>(u"direct", u"Direct media link", u"Direct", u"Direct media link."),
        row<PodcastSource>(u"podcast", u"Podcast feed", u"Feed", u"Podcast feed."),
    };
    // clang-format on
    return table;
}

} // namespace tovel
