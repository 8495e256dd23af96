#include "engine/manifest.h"
#include "pipeline/history.h"
#include "pipeline/source_router.h"
#include "sources/remote_sources.h"
#include "support/http_server.h"
#include "support/jobs.h"
#include "support/test_env.h"

#include <QtTest>

using namespace tovel;
using namespace tovel::test;

// Feeds fetched from a server: what reaches the parser, the header we send, and a feed (with a byte-order
// mark) gathered whole.
class TestPodcast : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<HttpServer> server;

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        server = std::make_unique<HttpServer>();
    }
    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, 60'000);
        server.reset();
        env.reset();
    }

    // An address the router does not know is read as a feed.
    void failures()
    {
        server->serve("/show", "<html><body>Nothing to hear</body></html>");
        auto items = QCoro::waitFor(SourceRouter::resolve(server->base() + "/show"));
        QCOMPARE(items, fail(Error::parse("No audio enclosures in that feed.")));
        QCOMPARE(server->requests().value(0).headers.value("user-agent"),
                 ManifestStore::shared().manifest().userAgent.toUtf8());
        items = QCoro::waitFor(SourceRouter::resolve("http://127.0.0.1:1/show"));
        QVERIFY(!items && items.error().kind() == SourceErrorKind::network);
        QVERIFY2(items.error().description().startsWith("Could not reach that address. "),
                 qPrintable(items.error().description()));
    }

    // A feed that answers with an error says so; one that is busy or briefly down is asked again, up to four
    // times, waiting as long as it asks. The waits given here would outlast the hard limit where the server
    // asks for none, so a Retry-After that is not obeyed fails.
    void statuses_data()
    {
        // clang-format off
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QByteArray>("retryAfter");
        QTest::addColumn<int>("wait");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("requests");
        const QString prefix = "Could not reach that address. The feed address answered ";
        QTest::newRow("404") << QList<int>{404} << QByteArray() << 0 << false << prefix + "404 Not Found." << 1;
        QTest::newRow("503, then 200") << QList<int>{503, 200} << QByteArray() << 0 << false << QString() << 2;
        QTest::newRow("429 for ever, Retry-After 0")
            << QList<int>{429} << QByteArray("0") << 600 << false << prefix + "429 Too Many Requests." << 4;
        QTest::newRow("503 until a date already past")
            << QList<int>{503, 200} << QByteArray("Sun, 06 Nov 1994 08:49:37 GMT") << 600 << false << QString() << 2;
        QTest::newRow("cancelled while waiting") << QList<int>{503} << QByteArray() << 600 << true << "Cancelled." << 1;
        // clang-format on
    }
    void statuses()
    {
        QFETCH(QList<int>, statuses);
        QFETCH(QByteArray, retryAfter);
        QFETCH(int, wait);
        QFETCH(bool, cancel);
        QFETCH(QString, failure);
        QFETCH(int, requests);
        QList<HttpServer::Response> answers;
        for (int status : statuses) {
            answers << HttpServer::Response{.status = status,
                                            .body
                                            = "<rss><channel><title>Show</title><item><title>A</title><enclosure "
                                              "type=\"audio/mpeg\" url=\"http://h/a.mp3\"/></item></channel></rss>"};
            if (status != 200 && !retryAfter.isEmpty())
                answers.last().headers = {{"Retry-After", retryAfter}};
        }
        server->routeInTurn("/feed.xml", answers);
        const auto cancellation = std::make_shared<Cancellation>();
        // The hard limit, and the cancel once the first answer has come.
        QTimer::singleShot(30'000, cancellation.get(), &Cancellation::cancel);
        QTimer watch;
        connect(&watch, &QTimer::timeout, cancellation.get(), [&] {
            if (cancel && server->requests().size() == 1)
                cancellation->cancel();
        });
        watch.start(50);
        const auto items = QCoro::waitFor(PodcastSource().resolve(
            server->base() + "/feed.xml", {.cancellation = cancellation, .retryWaits = {wait, wait, wait}}));
        if (failure.isEmpty())
            QVERIFY2(items && items->size() == 1, items ? "no items" : qPrintable(items.error().description()));
        else
            QCOMPARE(items ? QString("items") : items.error().description(), failure);
        QCOMPARE(server->requests().size(), requests);
    }

    // Documents are read only up to their limit, whether the server says their length or not.
    void documentsAreCapped_data()
    {
        // clang-format off
        QTest::addColumn<QString>("input");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<bool>("sendLength");
        QTest::newRow("endless feed") << "/feed.xml" << QByteArray("/feed.xml") << qint64(64) << false;
        QTest::newRow("huge archive metadata") << "https://archive.org/details/ident" << QByteArray("/metadata/ident")
                                               << qint64(64) << true;
        QTest::newRow("endless Commons answer") << "https://commons.wikimedia.org/wiki/File:A.ogg"
                                                << QByteArray("/w/api.php") << qint64(8) << false;
        // clang-format on
    }
    void documentsAreCapped()
    {
        QFETCH(QString, input);
        QFETCH(QByteArray, path);
        QFETCH(qint64, limit);
        QFETCH(bool, sendLength);
        qputenv("TOVEL_ARCHIVE_BASE", server->base().toUtf8());
        qputenv("TOVEL_COMMONS_BASE", server->base().toUtf8());
        server->route(path,
                      {.sendLength = sendLength, .generatedSize = sendLength ? qint64(1) << 40 : (limit + 1) << 20});
        const auto items
            = QCoro::waitFor(SourceRouter::resolve(input.startsWith('/') ? server->base() + input : input));
        QCOMPARE(items, fail(Error::parse(QStringLiteral("The answer is larger than %1 MiB.").arg(limit))));
        qunsetenv("TOVEL_ARCHIVE_BASE");
        qunsetenv("TOVEL_COMMONS_BASE");
    }

    void gatherAFeed()
    {
        QVERIFY(makeTone(env->root() + "/tone.wav", 0.4));
        server->serve("/audio/1.wav", readFile(env->root() + "/tone.wav"));
        QString items = "\xEF\xBB\xBF\n  <?xml version=\"1.0\"?><rss><channel><title>Field Notes</title>";
        // The second link is relative to where the feed really is, after the redirect.
        for (int i = 1; i <= 3; ++i)
            items += QStringLiteral("<item><title>Episode %1</title><guid>one guid</guid><enclosure type=\"audio/wav\" "
                                    "url=\"%2\"/></item>")
                         .arg(i)
                         .arg(i == 2 ? "../audio/1.wav" : server->base() + "/audio/1.wav");
        // A bare "&", as hand-written feeds have: read past, and said once.
        const QByteArray feed = (items + "</channel></rss>").toUtf8().replace("Episode 3", "Episode 3 & more");
        server->serve("/podcast/feed.xml", feed);
        server->route("/old/feed", {.status = 301, .headers = {{"Location", "/podcast/feed.xml"}}});

        // The limit takes the first items of the feed.
        const QString out = env->folder("out");
        const auto history = std::make_shared<History>(env->root() + "/history.sqlite");
        JobRunner runner({.destination = out, .history = history});
        start(runner, server->base() + "/old/feed", AudioFormat::m4a, 2);
        QCOMPARE(runner.jobs().size(), 2);
        QCOMPARE(runner.jobs().last()->origin(), "Field Notes");
        QCOMPARE(runner.takeNotices(), QStringList{"This feed has errors; Tovel read all 3 episodes anyway."});
        QVERIFY(settle(runner));
        QCOMPARE(summary(runner), "Saved Episode 2.m4a | Saved Episode 1.m4a");
        QCOMPARE(probe(out + "/Episode 2.m4a").value_or(Probe()).codec, "aac");
        QCOMPARE(entries(env->temp()), QStringList());

        // Gathered again where the feed has moved to: the show is known by its title, and each episode by
        // its guid, two with one guid by their places among them.
        server->serve("/moved/feed.xml", feed);
        JobRunner again({.destination = out, .history = history});
        start(again, server->base() + "/moved/feed.xml", AudioFormat::m4a, 2);
        QCOMPARE(summary(again), "Already saved Episode 2.m4a | Already saved Episode 1.m4a");
    }

    // Published feeds, their enclosures served from here: the first episode's day, as the feed writes it
    // (a zone name, a two-digit year), is the saved file's date tag.
    void publishedFeedDates_data()
    {
        // clang-format off
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("date");
        QTest::newRow("GMT") << "feed_partytime_dw_german.xml" << "18.03.2022 \u2013 Langsam gesprochene Nachrichten" << "2022-03-18";
        QTest::newRow("two-digit year") << "feed_antennapod_rss2basic_extensionless.xml" << "item-0" << "1970-01-01";
        // clang-format on
    }
    void publishedFeedDates()
    {
        QFETCH(QString, file);
        QFETCH(QString, saved);
        QFETCH(QString, date);
        QVERIFY(makeTone(env->root() + "/tone.mp3", 0.3));
        server->serve("/ep.mp3", readFile(env->root() + "/tone.mp3"));
        const QString feed
            = QString::fromUtf8(dataFile(file))
                  .replace(QRegularExpression("(<enclosure\\s+url=\")[^\"]*\""), "\\1" + server->base() + "/ep.mp3\"");
        server->serve("/feed.xml", feed.toUtf8());
        const QString out = env->folder("out");
        JobRunner runner(out);
        QCOMPARE(gather(runner, server->base() + "/feed.xml", AudioFormat::mp3, 1), "Saved " + saved + ".mp3");
        QCOMPARE(probe(out + '/' + saved + ".mp3").value_or(Probe()).tags.value("date"), date);
    }

    // What the feed knows goes into the file's tags, in every format that carries them; a tag the file
    // already has stays.
    void tagsFromTheFeed_data()
    {
        // clang-format off
        QTest::addColumn<QString>("format");
        QTest::newRow("mp3") << "mp3";
        QTest::newRow("m4a") << "m4a";
        QTest::newRow("flac") << "flac";
        // clang-format on
    }
    void tagsFromTheFeed()
    {
        QFETCH(QString, format);
        QVERIFY(makeTone(env->root() + "/tone.ogg", 0.4, {"-c:a", "libvorbis", "-metadata", "artist=Kept Artist"}));
        server->serve("/ep.ogg", readFile(env->root() + "/tone.ogg"));
        // The show's picture becomes the file's cover.
        QCOMPARE(runProgram("ffmpeg",
                            {"-v", "error", "-f", "lavfi", "-i", "color=red:s=32x32", "-frames:v", "1",
                             env->root() + "/cover.png"}),
                 QByteArray());
        server->serve("/cover.png", readFile(env->root() + "/cover.png"));
        server->serve(
            "/feed.xml",
            QStringLiteral(
                "<rss xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\"><channel><title>Field Notes</title>"
                "<itunes:author>The Host</itunes:author><itunes:image href=\"%1/cover.png\"/><item><title>Ep "
                "7</title><pubDate>Tue, 02 Jan 2024 10:00:00 +0000"
                "</pubDate><guid>urn:ep7</guid><enclosure type=\"audio/ogg\" "
                "url=\"%1/ep.ogg\"/></item></channel></rss>")
                .arg(server->base())
                .toUtf8());
        const QString out = env->folder("out");
        JobRunner runner(out);
        QCOMPARE(gather(runner, server->base() + "/feed.xml", *audioFormatFromRaw(format)), "Saved Ep 7." + format);
        const QHash<QString, QString> tags = probe(out + "/Ep 7." + format).value_or(Probe()).tags;
        QCOMPARE(QStringList({tags["title"], tags["album"], tags["artist"], tags["date"].left(4), tags["comment"]}),
                 QStringList({"Ep 7", "Field Notes", "Kept Artist", "2024", "urn:ep7"}));
        const QByteArray streams
            = runProgram("ffprobe",
                         {"-v", "error", "-show_entries", "stream=codec_type:stream_disposition=attached_pic", "-of",
                          "csv=p=0", out + "/Ep 7." + format});
        QVERIFY2(streams.contains("video,1"), streams.constData());
        QCOMPARE(entries(env->temp()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPodcast)
#include "tst_podcast.moc"
