#include "engine/manifest.h"
#include "sources/remote_sources.h"
#include "support/http_server.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QTcpServer>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

namespace {

const QString notAnItem = "That does not look like an archive.org item.";
const QString noMedia = "No media found on that Commons page.";
const QString notAFilePage = "Point at a Commons File: page.";
const QByteArray commonsQuery
    = "/w/api.php?action=query&titles=File:%1&prop=imageinfo&iiprop=url%7Cextmetadata&format=json";

QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(TOVEL_FIXTURES_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

// A resolve runs to its end; one that hangs ends the whole run instead of the test waiting forever.
Result<MediaItems> finish(QCoro::Task<Result<MediaItems>> task)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { qFatal("a resolve ran past its time limit"); });
    watchdog.start(30'000);
    return QCoro::waitFor(std::move(task));
}

// One line per item, the server's varying base written as BASE; "-" marks an absent extension.
QStringList describe(const MediaItems &items, const QString &base)
{
    QStringList lines;
    for (const MediaItem &item : items)
        lines << QStringList{ item.title, QString::fromLatin1(item.url.toEncoded()).replace(base, "BASE"), item.origin,
            item.hintedExtension.value_or("-") }
                     .join(" | ");
    return lines;
}

HttpServer::Response reply(int status, QByteArray body)
{
    HttpServer::Response response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

// JSON written with single quotes, which read better inside C++ strings (moc cannot read raw strings).
QByteArray json(QByteArray text)
{
    return text.replace('\'', '"');
}
QByteArray files(const QByteArray &list)
{
    return json("{'metadata':{},'files':[" + list + "]}");
}
QByteArray imageUrl(const QByteArray &url)
{
    return json("{'query':{'pages':{'7':{'imageinfo':[{'url':" + url + "}]}}}}");
}

} // namespace

class ArchiveCommonsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<HttpServer> server;

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        server = std::make_unique<HttpServer>();
        qputenv("TOVEL_ARCHIVE_BASE", server->base().toUtf8());
        qputenv("TOVEL_COMMONS_BASE", server->base().toUtf8());
    }
    void cleanup()
    {
        qunsetenv("TOVEL_ARCHIVE_BASE");
        qunsetenv("TOVEL_COMMONS_BASE");
        server.reset();
        env.reset();
    }

    void archiveFixtures_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");

        const QString hippo = "78_i-want-a-hippopotamus-for-christmas_vicki-dale-the-peter-pan-orchestra_gbia0000281a";
        QTest::newRow("item page, every format")
            << "https://archive.org/details/" + hippo << "ia_metadata_78rpm_hippopotamus.json" << 15
            << "I Want A Hippopotamus For Christmas - Vicki Dale | BASE/download/" + hippo
                + "/I%20Want%20A%20Hippopotamus%20For%20Christmas%20-%20Vicki%20Dale.flac | Internet Archive \u00b7 "
                + hippo + " | flac";
        const QString dead = "gd70-10-23.aud.wolfson.15080.sbefail.shnf";
        QTest::newRow("download link to one file") << " https://archive.org/download/" + dead + "/GD70-10-23d1t05.ogg\t"
                                                   << "ia_metadata_gd70-10-23_grateful_dead.json" << 30
                                                   << "GD70-10-23d1t01 | BASE/download/" + dead
                + "/GD70-10-23d1t01.mp3 | Internet Archive \u00b7 " + dead + " | mp3";
    }
    void archiveFixtures()
    {
        QFETCH(QString, link);
        QFETCH(QString, file);
        QFETCH(int, count);
        QFETCH(QString, first);
        const QString identifier = QUrl(link.trimmed()).path().section('/', 2, 2);
        server->route("/metadata/" + identifier.toUtf8(), reply(200, fixture(file)));

        const Result<MediaItems> items = finish(ArchiveSource().resolve(link));
        QVERIFY(items);
        QCOMPARE(items->size(), count);
        QCOMPARE(describe(*items, server->base()).first(), first);
        QSet<QUuid> ids;
        for (const MediaItem &item : *items)
            ids.insert(item.id);
        QCOMPARE(ids.size(), count);
        QCOMPARE(server->requests().size(), 1);
        // Ours would name the program; the platform's default is left alone.
        QCOMPARE(server->requests().first().headers.value("user-agent").contains("Tovel"), false);
    }

    void archiveLinks_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("metadata");
        QTest::addColumn<QStringList>("expected");

        const QString origin = " | Internet Archive \u00b7 ident | ";
        QTest::newRow("formats kept, others dropped")
            << "https://archive.org/details/ident/?tab=about" << 200
            << files("{'name':'track01.flac'},{'name':'track01.mp3'},{'name':'track01.ogg'},{'name':'cover.jpg'},"
                     "{'name':'ident_meta.xml'},{'name':'ident.torrent'}")
            << QStringList{ "track01 | BASE/download/ident/track01.flac" + origin + "flac",
                   "track01 | BASE/download/ident/track01.mp3" + origin + "mp3",
                   "track01 | BASE/download/ident/track01.ogg" + origin + "ogg" };
        QTest::newRow("escaping, capitals, folders, odd names")
            << "https://archive.org/download/ident/details/x.mp3" << 200
            << files("{'name':'My Song #1.mp3'},{'name':7},{'size':'1'},{'name':'Track.MP3'},"
                     "{'name':'disc1/01 Intro.wav'},{'name':'50% [Ünï].m4a'},{'name':'a?b&c=d;e.opus'},"
                     "{'name':'.mp3'},{'name':'x.mp3.txt'}")
            << QStringList{ "My Song #1 | BASE/download/ident/My%20Song%20%231.mp3" + origin + "mp3",
                   "Track | BASE/download/ident/Track.MP3" + origin + "mp3",
                   "disc1/01 Intro | BASE/download/ident/disc1/01%20Intro.wav" + origin + "wav",
                   "50% [Ünï] | BASE/download/ident/50%25%20%5B%C3%9Cn%C3%AF%5D.m4a" + origin + "m4a",
                   "a?b&c=d;e | BASE/download/ident/a?b&c=d;e.opus" + origin + "opus" };
        QTest::newRow("error status, body still read")
            << "http://www.archive.org/details/ident" << 404 << files("{'name':'a.flac'}")
            << QStringList{ "a | BASE/download/ident/a.flac" + origin + "flac" };
    }
    void archiveLinks()
    {
        QFETCH(QString, link);
        QFETCH(int, status);
        QFETCH(QByteArray, metadata);
        QFETCH(QStringList, expected);
        server->route("/metadata/ident", reply(status, metadata));

        const Result<MediaItems> items = finish(ArchiveSource().resolve(link));
        QVERIFY(items);
        QCOMPARE(describe(*items, server->base()), expected);
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(server->requests().first().target, "/metadata/ident");
    }

    void archiveNotAnItem_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("search page") << "https://archive.org/search?query=jazz";
        QTest::newRow("details alone") << "https://archive.org/details/";
        QTest::newRow("download host, no marker") << "https://ia800300.us.archive.org/12/items/ident/track.mp3";
        QTest::newRow("marker in capitals") << "https://archive.org/Details/ident";
        QTest::newRow("unparsable") << "https://archive.org/details/a b";
        QTest::newRow("decoded space") << "https://archive.org/details/bad%20item";
        QTest::newRow("decoded tab") << "https://archive.org/details/bad%09item";
        QTest::newRow("decoded brace") << "https://archive.org/details/bad%7Bitem";
        QTest::newRow("decoded no-break space") << "https://archive.org/details/bad%C2%A0item";
    }
    void archiveNotAnItem()
    {
        QFETCH(QString, link);
        QCOMPARE(finish(ArchiveSource().resolve(link)), fail(Error::unsupported(notAnItem)));
        QVERIFY(server->requests().isEmpty());
    }

    void archiveUnreadable_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        const QString unreadable = "Archive metadata could not be read.";
        QTest::newRow("search answer") << 200 << fixture("ia_advancedsearch_etree_not_metadata.json") << unreadable;
        QTest::newRow("error page") << 404 << QByteArray("<html><body>Not Found</body></html>") << unreadable;
        QTest::newRow("empty object") << 200 << QByteArray("{}") << unreadable;
        QTest::newRow("files not a list") << 200 << json("{'files':{'name':'a.mp3'}}") << unreadable;
        QTest::newRow("files not objects") << 200 << files("{'name':'a.mp3'},'b.mp3'") << unreadable;
        QTest::newRow("no media") << 200 << fixture("ia_metadata_nasa_collection_no_media.json")
                                  << "No audio files in that item.";
        QTest::newRow("no files") << 200 << files("") << "No audio files in that item.";
    }
    void archiveUnreadable()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        server->route("/metadata/ident", reply(status, body));
        QCOMPARE(finish(ArchiveSource().resolve("https://archive.org/details/ident")), fail(Error::parse(message)));
    }

    void commonsItems_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expected");

        const QString bird = "https://upload.wikimedia.org/wikipedia/commons/a/ab/Bird_song.ogg";
        QTest::newRow("file page") << "https://commons.wikimedia.org/wiki/File:Bird_song.ogg" << 200
                                   << imageUrl('"' + bird.toUtf8() + '"') << "Bird_song.ogg"
                                   << "Bird_song | " + bird + " | Wikimedia Commons | ogg";
        QTest::newRow("wikipedia page, error status") << "https://de.wikipedia.org/wiki/File:Bird_song.ogg" << 404
                                                      << imageUrl('"' + bird.toUtf8() + '"') << "Bird_song.ogg"
                                                      << "Bird_song | " + bird + " | Wikimedia Commons | ogg";
        QTest::newRow("decoded twice, extension from the answer")
            << "https://commons.wikimedia.org/wiki/File:Dawn%2520chorus.ogg" << 200
            << imageUrl("'https://upload.wikimedia.org/x/Dawn_chorus.OGA'") << "Dawn%20chorus.ogg"
            << "Dawn chorus | https://upload.wikimedia.org/x/Dawn_chorus.OGA | Wikimedia Commons | OGA";
        QTest::newRow("plus, ampersand, accents")
            << "https://commons.wikimedia.org/wiki/File:C++_&_%C3%A9t%C3%A9.ogg" << 200
            << imageUrl("'https://upload.wikimedia.org/x/a'") << "C%2B%2B_%26_%C3%A9t%C3%A9.ogg"
            << "C++_&_été | https://upload.wikimedia.org/x/a | Wikimedia Commons | ";
        QTest::newRow("real answer")
            << "https://commons.wikimedia.org/wiki/File:Dog_morphological_variation.png" << 200
            << fixture("commons_fv1_shared_minus1_png_multilang.json") << "Dog_morphological_variation.png"
            << "Dog_morphological_variation | https://upload.wikimedia.org/wikipedia/commons/6/69/"
               "Dog_morphological_variation.png | Wikimedia Commons | png";
    }
    void commonsItems()
    {
        QFETCH(QString, link);
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QString, title);
        QFETCH(QString, expected);
        server->route("/w/api.php", reply(status, answer));

        const Result<MediaItems> items = finish(WikimediaSource().resolve(link));
        QVERIFY(items);
        QCOMPARE(describe(*items, server->base()), QStringList{ expected });
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(server->requests().first().target, QString::fromLatin1(commonsQuery).arg(title).toUtf8());
        QCOMPARE(server->requests().first().headers.value("user-agent"),
            ManifestStore::shared().manifest().userAgent.toUtf8());
    }

    void commonsNoMedia_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("no url") << fixture("commons_fv1_doc_example_no_url.json");
        QTest::newRow("pages as a list") << fixture("commons_fv2_extmetadata_only_no_url.json");
        QTest::newRow("error page") << QByteArray("<html>Not Found</html>");
        QTest::newRow("no pages") << json("{'query':{'pages':{}}}");
        QTest::newRow("no imageinfo") << json("{'query':{'pages':{'7':{'title':'File:a.ogg'}}}}");
        QTest::newRow("empty imageinfo") << json("{'query':{'pages':{'7':{'imageinfo':[]}}}}");
        QTest::newRow("url a number") << imageUrl("5");
        QTest::newRow("url unparsable") << imageUrl("'https://a b/c.ogg'");
        QTest::newRow("local file") << imageUrl("'file:///etc/passwd'");
        QTest::newRow("ftp") << imageUrl("'ftp://upload.wikimedia.org/a.ogg'");
        QTest::newRow("data") << imageUrl("'data:audio/ogg;base64,AAAA'");
    }
    void commonsNoMedia()
    {
        QFETCH(QByteArray, answer);
        server->route("/w/api.php", reply(200, answer));
        QCOMPARE(finish(WikimediaSource().resolve("https://commons.wikimedia.org/wiki/File:a.ogg")),
            fail(Error::parse(noMedia)));
    }

    void commonsRejected_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("message");
        QTest::newRow("category") << "https://commons.wikimedia.org/wiki/Category:Birds" << notAFilePage;
        QTest::newRow("upload server") << "https://upload.wikimedia.org/wikipedia/commons/a/ab/x.ogg" << notAFilePage;
        QTest::newRow("translated namespace") << "https://de.wikipedia.org/wiki/Datei:Bird.ogg" << notAFilePage;
        QTest::newRow("stray percent") << "https://commons.wikimedia.org/wiki/File:A%25zz.ogg" << notAFilePage;
        QTest::newRow("not UTF-8") << "https://commons.wikimedia.org/wiki/File:A%25FF.ogg" << notAFilePage;
        QTest::newRow("unparsable") << "https://commons.wikimedia.org/wiki/File:a b.ogg"
                                    << "That is not a valid address.";
    }
    void commonsRejected()
    {
        QFETCH(QString, link);
        QFETCH(QString, message);
        QCOMPARE(finish(WikimediaSource().resolve(link)), fail(Error::unsupported(message)));
        QVERIFY(server->requests().isEmpty());
    }

    void unreachable_data()
    {
        QTest::addColumn<bool>("archive");
        QTest::newRow("archive") << true;
        QTest::newRow("commons") << false;
    }
    void unreachable()
    {
        QFETCH(bool, archive);
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const QByteArray dead = "http://127.0.0.1:" + QByteArray::number(probe.serverPort());
        probe.close();
        qputenv(archive ? "TOVEL_ARCHIVE_BASE" : "TOVEL_COMMONS_BASE", dead);

        const Result<MediaItems> result
            = finish(archive ? ArchiveSource().resolve("https://archive.org/details/ident")
                             : WikimediaSource().resolve("https://commons.wikimedia.org/wiki/File:a.ogg"));
        QVERIFY(!result);
        QCOMPARE(result.error().kind(), SourceErrorKind::network);
        QVERIFY(!result.error().detail().isEmpty());
        QVERIFY(result.error().description().startsWith("Could not reach that address. "));
    }
};

QTEST_GUILESS_MAIN(ArchiveCommonsTest)
#include "tst_archive_commons.moc"
