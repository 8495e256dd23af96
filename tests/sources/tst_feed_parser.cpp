#include "sources/feed_parser.h"

#include <QSet>
#include <QtTest>

using namespace tovel;

namespace {

QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(TOVEL_FIXTURES_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

// One line per item, so a failing comparison shows every field; "-" marks an absent extension.
QString describe(const MediaItem &item)
{
    return QStringList{ item.title, QString::fromLatin1(item.url.toEncoded()), item.origin,
        item.hintedExtension.value_or("-") }
        .join(" | ");
}

QStringList describe(const MediaItems &items)
{
    QStringList lines;
    for (const MediaItem &item : items)
        lines << describe(item);
    return lines;
}

// Wraps items in a channel whose title comes first.
QByteArray channel(const QByteArray &items)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel><title>Show</title>" + items
        + "</channel></rss>";
}

QByteArray audioItem(const QByteArray &title, const QByteArray &url)
{
    return "<item><title>" + title + "</title><enclosure type=\"audio/mpeg\" url=\"" + url + "\"/></item>";
}

} // namespace

class FeedParserTest : public QObject
{
    Q_OBJECT

private slots:
    void fixtures_data();
    void fixtures();
    void crafted_data();
    void crafted();
    void leadingJunk_data();
    void leadingJunk();
    void truncated_data();
    void truncated();
};

void FeedParserTest::fixtures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    // The title reads "Episode" and the channel title "Podcast" literally; the image/jpeg enclosure is passed over.
    QTest::newRow("image and audio") << "feed_podcastparser_image_and_audio.rss" << 1
                                     << "Episode | http://example.net/audio.mp3 | Podcast | mp3" << QString();
    // No title anywhere: both fallbacks; the second of two audio enclosures wins.
    QTest::newRow("untitled, two enclosures") << "feed_podcastparser_no_title_multi_enclosure.rss" << 1
                                              << "Episode | http://example.com/test.ogg | Podcast | ogg" << QString();
    // Its enclosures have no type, and relative URLs besides.
    QTest::newRow("untyped enclosures") << "feed_podcastparser_no_enclosure.rss" << 0 << QString() << QString();
    QTest::newRow("extensionless urls") << "feed_antennapod_rss2basic_extensionless.xml" << 10
                                        << "item-0 | http://example.com/media-0 | title | -"
                                        << "item-9 | http://example.com/media-9 | title | -";
    QTest::newRow("media:content only") << "feed_antennapod_media_content_only.xml" << 0 << QString() << QString();
    // Channel and item titles are CDATA only, so the image's plain title names the feed and the item falls back.
    QTest::newRow("CDATA titles")
        << "feed_feedrs_anchorfm_cdata.xml" << 1
        << "Episode | https://anchor.fm/s/8d364524/podcast/play/58581931/"
           "https%3A%2F%2Fd3ctxlq1ktw2nl.cloudfront.net%2Fproduction%2Fexports%2F8d364524%2F58581931%2F"
           "a48be9475fbbb5c00427f7e733079b03.m4a | It’s Not Always Special | m4a"
        << QString();
    QTest::newRow("Polish titles")
        << "feed_feedrs_spreaker_polish.xml" << 1
        << "Lwowska Fala odc. 78 Wrzesień 1939 | Radio Katowice | "
           "https://api.spreaker.com/download/episode/46395247/09_05_dopo_8_10_lwowska_fala.mp3 | "
           "Lwowska Fala | Radio Katowice | mp3"
        << QString();
    // Six media:content entries are ignored; the one enclosure is video.
    QTest::newRow("video enclosure")
        << "feed_feedrs_ch9_video_mp4.xml" << 1
        << "Troubleshoot AKS cluster issues with AKS Diagnostics and AKS Periscope | "
           "https://sec.ch9.ms/ch9/075d/6e61e6c6-3890-4172-a617-fa0c4b38075d/azfr663_high.mp4 | "
           "Azure Friday (HD) - Channel 9 | mp4"
        << QString();
    QTest::newRow("59 German episodes")
        << "feed_partytime_dw_german.xml" << 59
        << "18.03.2022 – Langsam gesprochene Nachrichten | "
           "https://radiodownloaddw-a.akamaihd.net/Events/podcasts/de/2288_DKpodcast_lgn_de/"
           "5F52703B_2-podcast-2288-61170826.mp3 | Langsam gesprochene Nachrichten | Audios | DW Deutsch lernen | mp3"
        << "13.01.2022 – Langsam gesprochene Nachrichten | "
           "https://radiodownloaddw-a.akamaihd.net/Events/podcasts/de/2288_DKpodcast_lgn_de/"
           "B8D361CA_2-podcast-2288-60408118.mp3 | Langsam gesprochene Nachrichten | Audios | DW Deutsch lernen | mp3";
}

void FeedParserTest::fixtures()
{
    QFETCH(QString, file);
    QFETCH(int, count);
    QFETCH(QString, first);
    QFETCH(QString, last);

    const MediaItems items = parseFeed(fixture(file));
    QCOMPARE(items.size(), count);
    if (count == 0)
        return;
    QCOMPARE(describe(items.first()), first);
    QCOMPARE(describe(items.last()), last.isNull() ? first : last);

    QSet<QUuid> ids;
    for (const MediaItem &item : items) {
        ids.insert(item.id);
        QCOMPARE(item.origin, items.first().origin);
        QVERIFY(!item.hintedExtension || !item.hintedExtension->isEmpty());
        QVERIFY(!item.engineLink);
    }
    QCOMPARE(ids.size(), count);
}

void FeedParserTest::crafted_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("type test lower-cases")
        << channel("<item><title>A</title><enclosure type=\"audio/mpeg\" url=\"http://h/a.mp3\"/></item>"
                   "<item><title>B</title><enclosure type=\"Audio/MP4\" url=\"http://h/b.m4a\"/></item>"
                   "<item><title>C</title><enclosure type=\"video/mp4\" url=\"http://h/c.mp4\"/></item>"
                   "<item><title>D</title><enclosure type=\"image/jpeg\" url=\"http://h/d.jpg\"/></item>"
                   "<item><title>E</title><enclosure url=\"http://h/e.mp3\"/></item>")
        << QStringList{ "A | http://h/a.mp3 | Show | mp3", "B | http://h/b.m4a | Show | m4a",
               "C | http://h/c.mp4 | Show | mp4" };
    QTest::newRow("last audio enclosure wins")
        << channel("<item><title>A</title><enclosure type=\"audio/mpeg\" url=\"http://h/1.mp3\"/>"
                   "<enclosure type=\"audio/ogg\" url=\"http://h/2.ogg\"/>"
                   "<enclosure type=\"text/html\" url=\"http://h/3.html\"/></item>")
        << QStringList{ "A | http://h/2.ogg | Show | ogg" };
    QTest::newRow("item without enclosure skipped")
        << channel(
               audioItem("A", "http://h/a.mp3") + "<item><title>B</title></item>" + audioItem("C", "http://h/c.mp3"))
        << QStringList{ "A | http://h/a.mp3 | Show | mp3", "C | http://h/c.mp3 | Show | mp3" };
    QTest::newRow("enclosure does not leak into the next item")
        << channel(audioItem("A", "http://h/a.mp3") + "<item><title>B</title></item>")
        << QStringList{ "A | http://h/a.mp3 | Show | mp3" };
    QTest::newRow("channel title before image title") << QByteArray(
        "<rss><channel><title>Channel</title><image><title>Picture</title></image>" + audioItem("A", "http://h/a.mp3")
        + "</channel></rss>") << QStringList{ "A | http://h/a.mp3 | Channel | mp3" };
    QTest::newRow("items before the channel title")
        << QByteArray("<rss><channel>" + audioItem("A", "http://h/a.mp3") + "<title>  </title>"
               + audioItem("B", "http://h/b.mp3") + "<title>Late</title>" + audioItem("C", "http://h/c.mp3")
               + "</channel></rss>")
        << QStringList{ "A | http://h/a.mp3 | Podcast | mp3", "B | http://h/b.mp3 | Podcast | mp3",
               "C | http://h/c.mp3 | Late | mp3" };
    QTest::newRow("itunes:title only") << channel("<item><itunes:title>Tagged</itunes:title>"
                                                  "<enclosure type=\"audio/mpeg\" url=\"http://h/a.mp3\"/></item>")
                                       << QStringList{ "Episode | http://h/a.mp3 | Show | mp3" };
    QTest::newRow("CDATA-only title") << channel(audioItem("<![CDATA[Hidden]]>", "http://h/a.mp3"))
                                      << QStringList{ "Episode | http://h/a.mp3 | Show | mp3" };
    QTest::newRow("CDATA dropped, text around it kept") << channel(audioItem("Part <![CDATA[x]]>two", "http://h/a.mp3"))
                                                        << QStringList{ "Part two | http://h/a.mp3 | Show | mp3" };
    QTest::newRow("title trimmed, entities decoded")
        << channel(audioItem("\n\t  Q&amp;A &#8211; one \r\n ", "http://h/a.mp3"))
        << QStringList{ "Q&A – one | http://h/a.mp3 | Show | mp3" };
    QTest::newRow("mixed content keeps text after the last child") << channel(
        audioItem("lost <b>bold</b> kept", "http://h/a.mp3")) << QStringList{ "kept | http://h/a.mp3 | Show | mp3" };
    QTest::newRow("text before an element is not its own")
        << channel("<item>stray<title>A</title><enclosure type=\"audio/mpeg\" url=\"http://h/a.mp3\"/></item>")
        << QStringList{ "A | http://h/a.mp3 | Show | mp3" };
    QTest::newRow("names are case-sensitive")
        << channel("<item><Title>Big</Title><enclosure type=\"audio/mpeg\" url=\"http://h/a.mp3\"/>"
                   "<ENCLOSURE type=\"audio/mpeg\" url=\"http://h/b.mp3\"/></item>"
                   "<Item><title>Other</title><enclosure type=\"audio/mpeg\" url=\"http://h/c.mp3\"/></Item>")
        << QStringList{ "Episode | http://h/a.mp3 | Show | mp3" };
    QTest::newRow("extensions as written, absent when none")
        << channel(audioItem("A", "https://h/path/file.MP3?x=1.wav#t=2") + audioItem("B", "https://h/stream")
               + audioItem("C", "https://h/dir.d/"))
        << QStringList{ "A | https://h/path/file.MP3?x=1.wav#t=2 | Show | MP3", "B | https://h/stream | Show | -",
               "C | https://h/dir.d/ | Show | -" };
    QTest::newRow("only http and https enclosures") << channel(audioItem("file", "file:///etc/passwd")
        + audioItem("ftp", "ftp://h/a.mp3") + audioItem("data", "data:audio/mpeg;base64,AAAA")
        + audioItem("relative", "a.mp3") + audioItem("upper", "HTTPS://h/u.mp3"))
                                                    << QStringList{ "upper | https://h/u.mp3 | Show | mp3" };
    QTest::newRow("refused enclosure keeps the earlier one") << channel(
        "<item><title>A</title><enclosure type=\"audio/mpeg\" url=\"http://h/a.mp3\"/>"
        "<enclosure type=\"audio/mpeg\" url=\"file:///home/me/secret.mp3\"/>"
        "<enclosure type=\"audio/mpeg\" url=\"http://h/b c.mp3\"/>"
        "<enclosure type=\"audio/mpeg\"/></item>") << QStringList{ "A | http://h/a.mp3 | Show | mp3" };
    QTest::newRow("broken after two items")
        << channel(audioItem("A", "http://h/a.mp3") + audioItem("B", "http://h/b.mp3")
               + "<item><title>C</title><enclosure type=\"audio/mpeg\" url=\"http://h/c.mp3\"/></itme>")
        << QStringList{ "A | http://h/a.mp3 | Show | mp3", "B | http://h/b.mp3 | Show | mp3" };
    QTest::newRow("broken before the first item ends")
        << QByteArray("<rss><channel><title>Show</title><item><title>A</title>"
                      "<enclosure type=\"audio/mpeg\" url=\"http://h/a.mp3\"></item>")
        << QStringList();
    QTest::newRow("Atom feed") << QByteArray(
        "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\"><title>T</title>"
        "<entry><title>A</title><link rel=\"enclosure\" type=\"audio/mpeg\" href=\"http://h/a.mp3\"/>"
        "</entry></feed>") << QStringList();
    QTest::newRow("HTML error page") << QByteArray("<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>"
                                                   "<body><h1>Not Found</h1><br></body></html>")
                                     << QStringList();
    QTest::newRow("empty body") << QByteArray() << QStringList();
}

void FeedParserTest::crafted()
{
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, expected);

    QCOMPARE(describe(parseFeed(xml)), expected);
}

void FeedParserTest::leadingJunk_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<int>("count");

    QTest::newRow("none") << QByteArray() << 59;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF") << 59;
    QTest::newRow("blank lines") << QByteArray("\r\n\r\n") << 59;
    QTest::newRow("mark then blank lines") << QByteArray("\xEF\xBB\xBF\n \t\n") << 59;
    QTest::newRow("blank lines then mark") << QByteArray("  \n\xEF\xBB\xBF") << 59;
    // Only white space and the mark are forgiven.
    QTest::newRow("stray text") << QByteArray("ok\n") << 0;
    QTest::newRow("stray comment") << QByteArray("<!-- generated -->\n") << 0;
}

void FeedParserTest::leadingJunk()
{
    QFETCH(QByteArray, prefix);
    QFETCH(int, count);

    QCOMPARE(parseFeed(prefix + fixture("feed_partytime_dw_german.xml")).size(), count);
}

void FeedParserTest::truncated_data()
{
    QTest::addColumn<int>("complete"); // items whose end tag lies before the cut
    QTest::addColumn<int>("overhang"); // bytes kept past that end tag

    QTest::newRow("inside the fourth item") << 3 << 200;
    QTest::newRow("right after an item") << 10 << int(sizeof("</item>") - 1);
    QTest::newRow("inside the first item") << 0 << 400;
}

void FeedParserTest::truncated()
{
    QFETCH(int, complete);
    QFETCH(int, overhang);

    const QByteArray whole = fixture("feed_partytime_dw_german.xml");
    qsizetype cut = whole.indexOf("<item>");
    for (int i = 0; i < complete; ++i)
        cut = whole.indexOf("</item>", cut + 1);
    // The items that made it are exactly the leading items of the whole feed.
    QCOMPARE(describe(parseFeed(whole.left(cut + overhang))), describe(parseFeed(whole)).mid(0, complete));
}

QTEST_GUILESS_MAIN(FeedParserTest)
#include "tst_feed_parser.moc"
