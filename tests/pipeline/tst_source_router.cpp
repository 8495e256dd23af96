#include "engine/manifest.h"
#include "pipeline/source_kind.h"
#include "pipeline/source_router.h"
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

const QString details = "https://archive.org/details/";
const QString filePage = "https://commons.wikimedia.org/wiki/File:";

Result<MediaItems> resolve(bool archive, const QString &link)
{
    return QCoro::waitFor(archive ? ArchiveSource().resolve(link) : WikimediaSource().resolve(link));
}

// One line per item, the server's varying base written as BASE; "-" marks an absent extension.
QStringList describe(const MediaItems &items, const QString &base)
{
    QStringList lines;
    for (const MediaItem &item : items)
        lines << item.title + " | " + QString::fromLatin1(item.url.toEncoded()).replace(base, "BASE") + " | "
                + item.origin + " | " + item.hintedExtension.value_or("-");
    return lines;
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

// Which source reads an input, and what the local, archive.org and Commons sources make of it.
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
        QTest::newRow("relative path to nothing") << " ../gone.wav" << "none" << "File"
                                                  << "There is no file or folder at ../gone.wav.";
        QTest::newRow("file link to nothing") << "file:///no/such%20thing.mp3" << "none" << "File"
                                              << "There is no file or folder at file:///no/such%20thing.mp3.";
        QTest::newRow("bare word") << "missing.mp3" << "none" << "Link" << notYet;
        QTest::newRow("file link with escapes to a folder")
            << "file://{home}/Music/Field%20Recordings" << "folder" << "File"
            << "Folder \u2014 every audio file inside, converted offline.";
        QTest::newRow("archive link ending in mp3")
            << "https://archive.org/download/item/track.mp3" << "archive" << "Archive" << "Internet Archive item.";
        QTest::newRow("wikimedia upload file") << "https://upload.wikimedia.org/a/b/c.ogg" << "wikimedia" << "Direct"
                                               << "Wikimedia Commons \u2014 freely licensed media.";
        QTest::newRow("mp3 link whose path says feed") << "https://host.test/feed/episode.mp3" << "direct" << "Direct"
                                                       << direct;
        QTest::newRow("capital scheme and extension") << "HTTPS://host.test/ep1.MP3" << "direct" << "Direct" << direct;
        QTest::newRow("mp3 only in the query") << "https://host.test/play?a=b.mp3" << "none" << "Link" << unrecognised;
        QTest::newRow("feed path") << "\thttps://host.test/podcast/RSS " << "podcast" << "Feed" << feed;
        QTest::newRow("atom address") << "https://host.test/shows/news.atom" << "podcast" << "Feed" << feed;
        QTest::newRow("feeds host") << "https://feeds.host.test/show" << "podcast" << "Feed" << feed;
        QTest::newRow("feeds host in capitals") << "https://FEEDS.HOST.TEST/show" << "none" << "Link" << unrecognised;
        QTest::newRow("capital scheme page") << "HTTPS://host.test/page" << "none" << "Link" << notYet;
        QTest::newRow("ftp mp3") << "ftp://host.test/a.mp3" << "none" << "Link" << notYet;
        QTest::newRow("picture link") << "https://host.test/a.jpg" << "none" << "Link" << unrecognised;
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

    void normalizedPath_data()
    {
        // clang-format off
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("lone tilde") << "~" << "{home}";
        QTest::newRow("other user's home") << "~root/x" << "/root/x";
        QTest::newRow("relative stays relative") << "music/a.mp3" << "music/a.mp3";
        QTest::newRow("tilde inside is kept") << "/a/~/b" << "/a/~/b";
        QTest::newRow("capital FILE is not a link") << "FILE:///tmp/a" << "FILE:///tmp/a";
        // clang-format on
    }
    void normalizedPath()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
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
        QVERIFY(names.contains("link.mp3|mp3"));
        QVERIFY(names.indexOf("A.flac|flac") < names.indexOf("b.mp3|mp3"));
        QVERIFY(names.indexOf("track 2.ogg|ogg") < names.indexOf("track 10.ogg|ogg"));
        QVERIFY(names.indexOf("Track 2.ogg|ogg") < names.indexOf("track 10.ogg|ogg"));
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
        QTest::newRow("details alone") << true << details << none << notAnItem;
        QTest::newRow("unparsable") << true << details + "a b" << none << notAnItem;
        QTest::newRow("decoded space") << true << details + "bad%20item" << none << notAnItem;
        QTest::newRow("decoded brace") << true << details + "bad%7Bitem" << none << notAnItem;
        QTest::newRow("decoded no-break space") << true << details + "bad%C2%A0item" << none << notAnItem;
        QTest::newRow("search answer") << true << item << test::dataFile("ia_advancedsearch_etree_not_metadata.json")
                                       << garbled;
        QTest::newRow("error page") << true << item << QByteArray("<html><body>Not Found</body></html>") << garbled;
        QTest::newRow("files not objects") << true << item << json("{'files':[{'name':'a.mp3'},'b.mp3']}") << garbled;
        QTest::newRow("no media") << true << item << test::dataFile("ia_metadata_nasa_collection_no_media.json")
                                  << "No audio files in that item.";
        QTest::newRow("category") << false << "https://commons.wikimedia.org/wiki/Category:Birds" << none
                                  << notAFilePage;
        QTest::newRow("stray percent") << false << filePage + "A%25zz.ogg" << none << notAFilePage;
        QTest::newRow("not UTF-8") << false << filePage + "A%25FF.ogg" << none << notAFilePage;
        QTest::newRow("unparsable page") << false << filePage + "a b.ogg" << none << "That is not a valid address.";
        QTest::newRow("no url") << false << file << test::dataFile("commons_fv1_doc_example_no_url.json") << noMedia;
        QTest::newRow("pages as a list") << false << file << test::dataFile("commons_fv2_extmetadata_only_no_url.json")
                                         << noMedia;
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
};

QTEST_GUILESS_MAIN(TestSourceRouter)
#include "tst_source_router.moc"
