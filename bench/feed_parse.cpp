// Times the feed parser on 10 MB documents of several shapes; run by hand (see README.md).
#include "sources/feed_parser.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <cstdio>

using namespace tovel;

namespace {

constexpr qsizetype targetBytes = 10 * 1024 * 1024;

QByteArray repeated(const QByteArray &head, const QByteArray &piece, const QByteArray &tail,
                    const QByteArray &close = {})
{
    QByteArray document = head;
    qsizetype count = 0;
    while (document.size() + close.size() * count < targetBytes) {
        document += piece;
        ++count;
    }
    for (qsizetype i = 0; i < count && !close.isEmpty(); ++i)
        document += close;
    return document + tail;
}

} // namespace

// With the start of a shape's name as its argument ("flat"), times that shape alone.
int main(int argc, char **argv)
{
    const QByteArray head = "<?xml version=\"1.0\"?><rss><channel><title>Show</title>";
    const QByteArray tail = "</channel></rss>";
    const QList<QPair<const char *, QByteArray>> shapes{
        {"flat items",
         repeated(head,
                  "<item><title>Episode</title><pubDate>Mon, 07 Dec 2026 00:00:00 +0000</pubDate>"
                  "<enclosure type=\"audio/mpeg\" url=\"https://h.test/e.mp3\"/></item>",
                  tail)},
        // The same with a bare ampersand in every title, as hand-written feeds have: read whole, mended.
        {"damaged items",
         repeated(head,
                  "<item><title>Q & A</title><pubDate>Mon, 07 Dec 2026 00:00:00 +0000</pubDate>"
                  "<enclosure type=\"audio/mpeg\" url=\"https://h.test/e.mp3\"/></item>",
                  tail)},
        {"nested elements", repeated(head, "<x><title>t</title>", tail, "</x>")},
        {"nested items", repeated(head, "<item><title>t</title>", tail, "</item>")},
        {"one long title", head + "<item><title>" + QByteArray(targetBytes, 'a') + "</title></item>" + tail},
    };
    std::printf("%-18s %10s %8s %10s\n", "shape", "bytes", "items", "ms");
    for (const auto &[name, document] : shapes) {
        if (argc > 1 && !QByteArray(name).startsWith(argv[1]))
            continue;
        QElapsedTimer timer;
        timer.start();
        const MediaItems items = parseFeed(document);
        std::printf("%-18s %10lld %8lld %10lld\n", name, static_cast<long long>(document.size()),
                    static_cast<long long>(items.size()), static_cast<long long>(timer.elapsed()));
    }
    return 0;
}
