#include "core/dates.h"
#include "engine/manifest.h"
#include "pipeline/source_kind.h"
#include "pipeline/source_router.h"
#include "sources/feed_parser.h"
#include "sources/remote_sources.h"
#include "support/http_server.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QDir>
#include <QtTest>

#include <sys/stat.h>

using namespace tovel;
using namespace tovel::test;

namespace {

// One line per item, so a failing comparison shows every field: a test server's varying base, when given,
// is written as BASE, and "-" marks an absent extension.
QStringList describe(const MediaItems &items, const QString &base = {})
{
    QStringList lines;
    for (const MediaItem &item : items) {
        const QString url = QString::fromLatin1(item.url.toEncoded());
        lines << item.title + " | " + (base.isEmpty() ? url : QString(url).replace(base, "BASE")) + " | " + item.origin
                + " | " + item.hintedExtension.value_or("-");
    }
    return lines;
}

// Wraps items in a channel whose title comes first.
QByteArray channel(const QByteArray &items)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel><title>Show</title>" + items
        + "</channel></rss>";
}

QByteArray enclosure(const QByteArray &url, const QByteArray &type = "audio/mpeg")
{
    return "<enclosure type=\"" + type + "\" url=\"" + url + "\"/>";
}

QByteArray item(const QByteArray &title, const QByteArray &url, const QByteArray &type = "audio/mpeg")
{
    return "<item><title>" + title + "</title>" + enclosure(url, type) + "</item>";
}

QByteArray atomLink(const QByteArray &href, const QByteArray &type = "audio/mpeg", const QByteArray &rel = "enclosure")
{
    return "<link rel=\"" + rel + "\" type=\"" + type + "\" href=\"" + href + "\" length=\"9\"/>";
}

// Wraps entries in an Atom feed that links to itself and to its site, as most do.
QByteArray atomFeed(const QByteArray &entries, const QByteArray &title = "<title>Show</title>")
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\">" + title
        + "<link rel=\"self\" href=\"http://h/feed.atom\"/><link href=\"http://h/\"/>" + entries + "</feed>";
}

const QString details = "https://archive.org/details/";
const QString filePage = "https://commons.wikimedia.org/wiki/File:";

Result<MediaItems> resolve(bool archive, const QString &link)
{
    return QCoro::waitFor(archive ? ArchiveSource().resolve(link) : WikimediaSource().resolve(link));
}

// JSON written with single quotes, which read better inside C++ strings (moc cannot read raw strings).
QByteArray json(QByteArray text)
{
    return text.replace('\'', '"');
}
QByteArray imageUrl(const QByteArray &url)
{
    return json("{'query':{'pages':{'7':{'imageinfo':[{'url':" + url + "}]}}}}");
}

} // namespace

// Which source reads an input, and what the local, archive.org and Commons sources and the feed parser
// make of it.
class TestSourceRouter : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<HttpServer> server;

    // "{home}" in a row stands for the test's home folder.
    QString expand(QString text) const { return text.replace("{home}", env->home()); }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        server = std::make_unique<HttpServer>();
        qputenv("TOVEL_ARCHIVE_BASE", server->base().toUtf8());
        qputenv("TOVEL_COMMONS_BASE", server->base().toUtf8());
        QDir().mkpath(env->home() + "/Music/Field Recordings/More");
        writeFile(env->home() + "/Music/Song.MP3", "x");
        writeFile(env->home() + "/recording", "x");
    }
    void cleanup()
    {
        server.reset();
        env.reset();
    }

    void routing_data()
    {
        // clang-format off
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("kindWord");
        QTest::addColumn<QString>("hint");
        const QString file = "Local file \u2014 converts without touching the network.";
        const QString direct = "Direct media link.", feed = "Podcast feed.";
        const QString unrecognised = "Unrecognised link \u2014 Tovel will try to read it as a feed.";
        const QString notYet = "Not a link or a file path yet.";

        QTest::newRow("tilde path, blanks and a line break") << "  ~/Music/Song.MP3\n" << "local" << "File" << file;
        // A path to nothing is still meant as a file, and the hint says nothing is there, as it was typed.
        QTest::newRow("tilde path to nothing") << "~/Music/Nothing.mp3" << "none" << "File"
                                               << "There is no file or folder at ~/Music/Nothing.mp3.";
        QTest::newRow("file link with escapes to a folder")
            << "file://{home}/Music/Field%20Recordings" << "folder" << "File"
            << "Folder \u2014 every audio file inside, converted offline.";
        QTest::newRow("archive link ending in mp3")
            << "https://archive.org/download/item/track.mp3" << "archive" << "Archive" << "Internet Archive item.";
        QTest::newRow("mp3 link whose path says feed") << "https://host.test/feed/episode.mp3" << "direct" << "Direct"
                                                       << direct;
        QTest::newRow("capital scheme and extension") << "HTTPS://host.test/ep1.MP3" << "direct" << "Direct" << direct;
        QTest::newRow("mp3 only in the query") << "https://host.test/play?a=b.mp3" << "none" << "Link" << unrecognised;
        QTest::newRow("feed path") << "\thttps://host.test/podcast/RSS " << "podcast" << "Feed" << feed;
        QTest::newRow("feeds host") << "https://feeds.host.test/show" << "podcast" << "Feed" << feed;
        QTest::newRow("ftp mp3") << "ftp://host.test/a.mp3" << "none" << "Link" << notYet;
        QTest::newRow("empty") << "   " << "none" << "\u2014"
                               << "Paste a podcast feed, a media link, an archive.org item, or a file path.";
        // clang-format on
    }
    void routing()
    {
        QFETCH(QString, input);
        QFETCH(QString, source);
        QFETCH(QString, kindWord);
        QFETCH(QString, hint);
        input = expand(input);
        const auto type = SourceRouter::sourceType(input);
        QCOMPARE(type ? type->identifier : "none", source);
        QCOMPARE(sourceKindWord(input, false), kindWord);
        QCOMPARE(SourceRouter::hint(input), hint);
    }

    void normalizedPath()
    {
        for (const auto &[input, expected] : {std::pair{"~", "{home}"}, std::pair{"~root/x", "/root/x"},
                                              std::pair{"music/a.mp3", "music/a.mp3"}, std::pair{"/a/~/b", "/a/~/b"}})
            QCOMPARE(SourceRouter::normalizedPath(input), expand(expected));
    }

    void resolvesLocalFiles()
    {
        // A file keeps its extension's case; a name without one hints an empty extension.
        for (const auto &[input, expected] :
             {std::pair{"  ~/Music/Song.MP3\n", "Song | MP3"}, std::pair{"~/recording", "recording | "}}) {
            const auto items = QCoro::waitFor(SourceRouter::resolve(input));
            QCOMPARE(items ? items->size() : -1, 1);
            const MediaItem &item = items->first();
            QCOMPARE(item.title + " | " + item.hintedExtension.value_or("-"), expected);
            QCOMPARE(item.origin, "Local file");
            QVERIFY(item.url.isLocalFile() && !item.engineLink);
        }

        const QString folder = env->home() + "/Music/Field Recordings";
        for (const char *name : {"b.mp3", "A.flac", "track 10.ogg", "track 2.ogg", "cover.jpg", "notes.txt",
                                 ".hidden.wav", "SONG.FLAC", "Track 2.ogg", "More/inner.mp3"})
            writeFile(folder + u'/' + name, "x");
        // Links to files count; a pipe and a dangling link never will.
        QVERIFY(QFile::link(folder + "/b.mp3", folder + "/link.mp3")
                && QFile::link(folder + "/none", folder + "/gone.mp3"));
        QCOMPARE(::mkfifo(QFile::encodeName(folder + "/pipe.mp3").constData(), 0600), 0);
        const auto items = QCoro::waitFor(SourceRouter::resolve("file://" + QString(folder).replace(" ", "%20")));
        QVERIFY(items);
        QStringList names;
        for (const MediaItem &item : *items) {
            names << QFileInfo(item.url.toLocalFile()).fileName() + u'|' + item.hintedExtension.value_or("-");
            QCOMPARE(item.origin, "Folder \u00b7 Field Recordings");
        }
        // Numeric and case-insensitive; sub-folders are not entered; hidden files count; extensions keep their case.
        QCOMPARE(names.size(), 8);
        QVERIFY(names.contains("link.mp3|mp3") && names.indexOf("A.flac|flac") < names.indexOf("b.mp3|mp3"));
        QVERIFY(names.indexOf("track 2.ogg|ogg") < names.indexOf("track 10.ogg|ogg"));
        QVERIFY(names.contains(".hidden.wav|wav") && names.contains("SONG.FLAC|FLAC"));
    }

    // Each row: the request the server gets, then the first items described.
    void items_data()
    {
        // clang-format off
        QTest::addColumn<bool>("archive");
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("expected");

        const QString dead = "gd70-10-23.aud.wolfson.15080.sbefail.shnf";
        QTest::newRow("archive download link, padded")
            << true << " https://archive.org/download/" + dead + "/GD70-10-23d1t05.ogg\t" << 200
            << test::dataFile("ia_metadata_gd70-10-23_grateful_dead.json") << 30 << QStringList{ "/metadata/" + dead };
        const QString origin = " | Internet Archive \u00b7 ident | ";
        // Names that are paths out of the item are skipped; "?" and "#" stay in the path.
        QTest::newRow("archive formats, escaping, odd names, error status")
            << true << "http://www.archive.org/details/ident/download?tab=about" << 404
            << json("{'files':[{'name':'My #1 50% [Ünï].m4a'},{'name':7},{'size':'1'},{'name':'cover.jpg'},"
                    "{'name':'ident.torrent'},{'name':'disc1/01 Intro.WAV'},{'name':'a?b&c=d;e.opus'},"
                    "{'name':'a/../../../.bashrc.mp3'},{'name':'./x.mp3'},{'name':'a//b.mp3'},{'name':'q?x=1#frag.mp3'},"
                    "{'name':'.mp3'},{'name':'x.mp3.txt'}]}")
            << 4
            << QStringList{ "/metadata/ident",
                   "My #1 50% [Ünï] | BASE/download/ident/My%20%231%2050%25%20%5B%C3%9Cn%C3%AF%5D.m4a" + origin + "m4a",
                   "disc1/01 Intro | BASE/download/ident/disc1/01%20Intro.WAV" + origin + "wav",
                   "a?b&c=d;e | BASE/download/ident/a%3Fb&c=d;e.opus" + origin + "opus",
                   "q?x=1#frag | BASE/download/ident/q%3Fx=1%23frag.mp3" + origin + "mp3" };

        const auto query = [](const QString &title) {
            return "/w/api.php?action=query&titles=File:" + title
                + "&prop=imageinfo&iiprop=url%7Csize%7Csha1%7Cextmetadata&format=json";
        };
        QTest::newRow("commons, Wikipedia host, real answer")
            << false << "https://de.wikipedia.org/wiki/File:Dog_morphological_variation.png" << 200
            << test::dataFile("commons_fv1_shared_minus1_png_multilang.json") << 1
            << QStringList{ query("Dog_morphological_variation.png"),
                   "Dog_morphological_variation | https://upload.wikimedia.org/wikipedia/commons/6/69/"
                   "Dog_morphological_variation.png | Wikimedia Commons | png" };
        QTest::newRow("commons, decoded twice, escaped, extension from the answer")
            << false << filePage + "C++_&_%C3%A9t%C3%A9%2520x.ogg" << 200 << imageUrl("'https://h/a.OGA'") << 1
            << QStringList{ query("C%2B%2B_%26_%C3%A9t%C3%A9%20x.ogg"),
                   "C++_&_été x | https://h/a.OGA | Wikimedia Commons | OGA" };
        // clang-format on
    }
    void items()
    {
        QFETCH(bool, archive);
        QFETCH(QString, link);
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(int, count);
        QFETCH(QStringList, expected);
        server->serve(expected.first().section(u'?', 0, 0).toUtf8(), answer, status);

        const Result<MediaItems> items = resolve(archive, link);
        QVERIFY(items);
        QCOMPARE(items->size(), count);
        QCOMPARE(server->requests().size(), 1);
        const HttpServer::Request request = server->requests().first();
        const QStringList leading = describe(*items, server->base()).mid(0, expected.size() - 1);
        QCOMPARE(QStringList{QString::fromUtf8(request.target)} + leading, expected);
        // Commons asks with the manifest's user agent; archive.org gets the platform's default.
        const QByteArray manifestAgent = ManifestStore::shared().manifest().userAgent.toUtf8();
        QCOMPARE(request.headers.value("user-agent") == manifestAgent, !archive);
    }

    // Without an answer the link itself is refused, before anything is asked of the server.
    void failures_data()
    {
        // clang-format off
        QTest::addColumn<bool>("archive");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("message");
        const QString item = details + "ident", file = filePage + "a.ogg";
        const QString notAnItem = "That does not look like an archive.org item.";
        const QString notAFilePage = "Point at a Commons File: page.", noMedia = "No media found on that Commons page.";
        const QString garbled = "Archive metadata could not be read.";
        const QByteArray none;
        QTest::newRow("search page") << true << "https://archive.org/search?query=jazz" << none << notAnItem;
        QTest::newRow("search answer") << true << item << test::dataFile("ia_advancedsearch_etree_not_metadata.json")
                                       << garbled;
        QTest::newRow("files not objects") << true << item << json("{'files':[{'name':'a.mp3'},'b.mp3']}") << garbled;
        QTest::newRow("no media") << true << item << test::dataFile("ia_metadata_nasa_collection_no_media.json")
                                  << "No audio files in that item.";
        QTest::newRow("category") << false << "https://commons.wikimedia.org/wiki/Category:Birds" << none
                                  << notAFilePage;
        QTest::newRow("stray percent") << false << filePage + "A%25zz.ogg" << none << notAFilePage;
        QTest::newRow("unparsable page") << false << filePage + "a b.ogg" << none << "That is not a valid address.";
        QTest::newRow("no url") << false << file << test::dataFile("commons_fv1_doc_example_no_url.json") << noMedia;
        QTest::newRow("local file") << false << file << imageUrl("'file:///etc/passwd'") << noMedia;
        // clang-format on
    }
    void failures()
    {
        QFETCH(bool, archive);
        QFETCH(QString, link);
        QFETCH(QByteArray, answer);
        QFETCH(QString, message);
        server->serve(archive ? "/metadata/ident" : "/w/api.php", answer);
        QCOMPARE(resolve(archive, link), fail(answer.isNull() ? Error::unsupported(message) : Error::parse(message)));
        QCOMPARE(server->requests().size(), answer.isNull() ? 0 : 1);
    }

    void fixtures_data()
    {
        // clang-format off
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("ends"); // the first item, then the last when there are more

        // No title anywhere: both fallbacks; the second of two audio enclosures wins.
        QTest::newRow("untitled, two enclosures")
            << "feed_podcastparser_no_title_multi_enclosure.rss" << 1
            << QStringList{ "Episode | http://example.com/test.ogg | Podcast | ogg" };
        // Its enclosures have no type, and relative URLs besides.
        QTest::newRow("untyped enclosures") << "feed_podcastparser_no_enclosure.rss" << 0 << QStringList();
        QTest::newRow("extensionless urls") << "feed_antennapod_rss2basic_extensionless.xml" << 10
                                            << QStringList{ "item-0 | http://example.com/media-0 | title | -",
                                                   "item-9 | http://example.com/media-9 | title | -" };
        // Channel and item titles are CDATA only, and read as the text they are.
        QTest::newRow("CDATA titles")
            << "feed_feedrs_anchorfm_cdata.xml" << 1
            << QStringList{ "Advocating for our children | https://anchor.fm/s/8d364524/podcast/play/58581931/https%3A%2F%2F"
                            "d3ctxlq1ktw2nl.cloudfront.net%2Fproduction%2Fexports%2F8d364524%2F58581931%2F"
                            "a48be9475fbbb5c00427f7e733079b03.m4a | It’s Not Always Special | m4a" };
        // clang-format on
    }

    void fixtures()
    {
        QFETCH(QString, file);
        QFETCH(int, count);
        QFETCH(QStringList, ends);

        const MediaItems items = parseFeed(dataFile(file));
        const QStringList lines = describe(items);
        QCOMPARE(lines.size(), count);
        QCOMPARE(lines.mid(0, 1) + (count > 1 ? lines.mid(count - 1) : QStringList()), ends);
        // Every item of a published feed has its date, however the feed writes it.
        QVERIFY(file.contains("podcastparser")
                || std::ranges::all_of(items, [](const MediaItem &item) { return !item.tags.date.isEmpty(); }));
    }

    void crafted_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QStringList>("expected");
        const QString a = "A | http://h/a.mp3 | Show | mp3", b = "B | http://h/b.mp3 | Show | mp3";

        // C's enclosure, still held after it ends, must not make an item of D; E's has no type but says mp3.
        QTest::newRow("audio and video, any case")
            << channel(item("A", "http://h/a.mp3") + item("B", "http://h/b.m4a", "Audio/MP4")
                   + item("C", "http://h/c.mp4", "video/mp4") + item("D", "http://h/d.jpg", "image/jpeg")
                   + "<item><title>E</title><enclosure url=\"http://h/e.mp3\"/></item>")
            << QStringList{ a, "B | http://h/b.m4a | Show | m4a", "C | http://h/c.mp4 | Show | mp4",
                            "E | http://h/e.mp3 | Show | mp3" };
        // Only http and https: never a local file, another protocol or a relative address.
        QTest::newRow("last usable enclosure wins")
            << channel("<item><title>A</title>" + enclosure("http://h/1.mp3") + enclosure("http://h/2.ogg", "audio/ogg")
                   + enclosure("http://h/3.html", "text/html") + enclosure("file:///etc/passwd")
                   + enclosure("ftp://h/a.mp3") + enclosure("data:audio/mpeg;base64,AAAA") + enclosure("a.mp3")
                   + enclosure("http://h/b c.mp3") + "<enclosure type=\"audio/mpeg\"/></item>")
            << QStringList{ "A | http://h/2.ogg | Show | ogg" };
        QTest::newRow("item titles")
            << channel("<item><itunes:title>Tagged</itunes:title>" + enclosure("http://h/a.mp3") + "</item>"
                   + item("\n\t  Q&amp;A &#8211; one \r\n ", "http://h/b.mp3")
                   + item("lost <b>bold</b> kept", "http://h/c.mp3") + "<item>stray<title>D</title>"
                   + enclosure("http://h/d.mp3") + "</item>")
            << QStringList{ "Episode | http://h/a.mp3 | Show | mp3", "Q&A – one | http://h/b.mp3 | Show | mp3",
                   "kept | http://h/c.mp3 | Show | mp3", "D | http://h/d.mp3 | Show | mp3" };
        QTest::newRow("extensions as written, absent when none")
            << channel(item("A", "https://h/path/file.MP3?x=1.wav#t=2") + item("B", "https://h/stream")
                   + item("C", "https://h/dir.d/") + item("D", "HTTPS://h/u.mp3"))
            << QStringList{ "A | https://h/path/file.MP3?x=1.wav#t=2 | Show | MP3", "B | https://h/stream | Show | -",
                   "C | https://h/dir.d/ | Show | -", "D | https://h/u.mp3 | Show | mp3" };
        // A parse stopped by an error or a cut keeps the items completed before it (notices counts them).
        const QByteArray ab
            = "<rss><channel><title>Show</title>" + item("A", "http://h/a.mp3") + item("B", "http://h/b.mp3");
        QTest::newRow("cut inside the first item") << ab.left(ab.indexOf("</item>")) << QStringList();
        // Damage podcast apps read past: every item comes back, the text mended as a reader would expect.
        const QByteArray abc = ab + item("C", "http://h/c.mp3") + "</channel></rss>";
        const QString c = "C | http://h/c.mp3 | Show | mp3";
        const auto damaged = [&abc](const QByteArray &title) { return QByteArray(abc).replace("<title>B", "<title>" + title); };
        QTest::newRow("Windows-1252 quotes") << damaged("\x93" "B\x94 \x96 \x81") << QStringList{ a, "\u201cB\u201d \u2013 \ufffd | http://h/b.mp3 | Show | mp3", c };
        QTest::newRow("control characters") << damaged("\x01" "B\x1b[2J") << QStringList{ a, "B[2J | http://h/b.mp3 | Show | mp3", c };
        // Types named loosely count only when the address's extension says media.
        QTest::newRow("loose enclosure types")
            << channel(item("A", "http://h/a.mp3", "") + item("B", "http://h/b.m4a", "application/octet-stream")
                   + item("C", "http://h/c.mp3", "x-audio/mp3") + item("D", "http://h/d", "")
                   + item("E", "http://h/e.mp3", "image/jpeg") + item("F", "http://h/f.pdf", "application/pdf")
                   + item("G", "http://h/g.txt", "x-audio/mp3"))
            << QStringList{ "A | http://h/a.mp3 | Show | mp3", "B | http://h/b.m4a | Show | m4a",
                            "C | http://h/c.mp3 | Show | mp3" };
        // Atom: each entry with an enclosure link is an item; the feed's own links, and an entry's page
        // even when its address names a media file, are not.
        const auto entry = [](const QByteArray &inside) { return "<entry>" + inside + "</entry>"; };
        QTest::newRow("Atom entries")
            << atomFeed(entry("<title>A</title>" + atomLink("http://h/a.mp3"))
                   + entry("<title>V</title><link rel=\"alternate\" href=\"http://h/v.html\"/>"
                       + atomLink("http://h/v.mp4", "video/mp4"))
                   + entry("<title>P</title>" + atomLink("http://h/p.mp3", "audio/mpeg", "alternate")))
            << QStringList{ "A | http://h/a.mp3 | Show | mp3", "V | http://h/v.mp4 | Show | mp4" };
        // RSS stays RSS: its channel's self link and link elements written the Atom way change nothing.
        QTest::newRow("RSS with Atom links")
            << channel("<atom:link href=\"http://h/feed.xml\" rel=\"self\" type=\"application/rss+xml\"/>"
                   + item("A", "http://h/a.mp3") + "<item><title>L</title>" + atomLink("http://h/l.mp3") + "</item>"
                   + entry("<title>E</title>" + enclosure("http://h/e.mp3")) + item("B", "http://h/b.mp3"))
            << QStringList{ a, b };
        // clang-format on
    }

    void crafted()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QStringList, expected);
        QCOMPARE(describe(parseFeed(xml)), expected);
    }

    // A feed not read as written says so once; one read as written says nothing.
    void notices_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("notice");
        const QByteArray items = item("A", "http://h/a.mp3") + item("B", "http://h/b.mp3") + item("C", "http://h/c.mp3");
        QTest::newRow("as written") << channel(items) << "";
        // HTML's own names are what such feeds mean; a name no one knows stands as written, and is said.
        QTest::newRow("unknown entity") << channel(items).replace("<title>B", "<title>B&bogus;") << "This feed has errors; Tovel read all 3 episodes anyway.";
        QTest::newRow("broken off") << channel(items).chopped(30) << "This feed breaks off; Tovel read the 2 episodes before the break.";
        QTest::newRow("tags that do not match") << channel(items).replace("</item><item><title>C", "</itme><item><title>C")
                                                << "This feed has an error Tovel could not read past; it read its one episode before it.";
        // clang-format on
    }
    void notices()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, notice);
        QString said;
        QVERIFY(!parseFeed(xml, {}, &said).isEmpty());
        QCOMPARE(said, notice);
    }

    // Links relative to the feed are resolved against where it finally came from, in RSS and Atom alike;
    // the result must still be a web address.
    void relativeLinks()
    {
        const QList<QByteArray> links{"//traffic.test/ep403.mp3", "media/b.mp3", "/c.mp3?x=1", "file:///etc/passwd.mp3",
                                      "b c.mp3"};
        QByteArray items, entries;
        for (qsizetype i = 0; i < links.size(); ++i) {
            const QByteArray title(1, char('A' + i));
            items += item(title, links.at(i));
            entries += "<entry><title>" + title + "</title>" + atomLink(links.at(i)) + "</entry>";
        }
        const QStringList expected{"A | https://traffic.test/ep403.mp3 | Show | mp3",
                                   "B | https://feeds.test/show/media/b.mp3 | Show | mp3",
                                   "C | https://feeds.test/c.mp3?x=1 | Show | mp3"};
        for (const QByteArray &xml : {channel(items), atomFeed(entries)}) {
            QCOMPARE(describe(parseFeed(xml, QUrl("https://feeds.test/show/rss.xml"))), expected);
            QCOMPARE(describe(parseFeed(xml)), QStringList());
        }
    }

    // Dates as publishers and servers really write them.
    // `utc` is the instant read ("" when the text must be refused); `day` the calendar day as written.
    void dates_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("utc");
        QTest::addColumn<QString>("day");
        const auto row = [](const char *text, const char *utc, const char *day = nullptr) {
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(utc)
                                << QString::fromUtf8(day ? day : QByteArray(utc).left(10).constData());
        };
        row("Tue, 02 Jan 2024 10:00:00 GMT", "2024-01-02T10:00:00Z");
        row("Fri, 29 Dec 2023 23:30:00 PST", "2023-12-30T07:30:00Z", "2023-12-29");
        row("Thu, 07 Nov 2019 22:30:00 -0500", "2019-11-08T03:30:00Z", "2019-11-07");
        row("Mon, 02 Jan 2024 10:00:00 GMT", "2024-01-02T10:00:00Z"); // a Tuesday
        row("Tue,  2   JAN 2024   10:00:00   gmt ", "2024-01-02T10:00:00Z");
        row("Tue, 02 Jan 24 10:00:00 GMT", "2024-01-02T10:00:00Z");
        row("Sun, 01 Jan 50 00:00:00 GMT", "1950-01-01T00:00:00Z");
        row("2024-03-05T10:20:30+01:00", "2024-03-05T09:20:30Z");
        row("2024-03-05T22:20:30.125-05:00", "2024-03-06T03:20:30.125Z", "2024-03-05");
        // Refused.
        row("", "", "");
        row("Tue, 32 Jan 2024 10:00:00 GMT", "", "");
        row("Tue, 02 Jan 2024 10:00:00 +2500", "", "");
        row("2024-03-05T10:20:30 nowhere", "", "");
        // clang-format on
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(QString, utc);
        QFETCH(QString, day);
        const std::optional<QDateTime> read = parseDate(text);
        QCOMPARE(read ? read->toString(Qt::ISODateWithMs).replace(".000Z", "Z") : QString(), utc);
        if (read)
            QCOMPARE(read->timeSpec(), Qt::UTC);
        const std::optional<QDate> written = parseWrittenDay(text);
        QCOMPARE(written ? isoDay(*written) : QString(), day);
    }
};

QTEST_GUILESS_MAIN(TestSourceRouter)
#include "tst_source_router.moc"
