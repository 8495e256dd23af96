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
        qunsetenv("TOVEL_FFMPEG");
    }

    // An address the router does not know is read as a feed.
    void failures()
    {
        server->serve("/show", "<html><body>Nothing to hear</body></html>");
        auto items = QCoro::waitFor(SourceRouter::resolve(server->base() + "/show"));
        QCOMPARE(items, fail(Error::parse("No audio enclosures in that feed.")));
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

    // What the feed knows goes into the file's tags, in every format that carries them: the show, its
    // picture as the cover, the episode's day as the feed writes it (in published feeds, a zone name or a
    // two-digit year); a tag the file already has stays. Audio already in the format wanted is kept: its
    // stream stays byte for byte what was fetched, and no ffmpeg runs for it.
    void tagsFromTheFeed_data()
    {
        // clang-format off
        QTest::addColumn<QString>("file"); // a published feed of tests/data; empty: a feed of our own
        QTest::addColumn<QString>("episode"); // the enclosure's kind
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("tags"); // title | date, then album | artist | comment for our own feed
        const QString own = "Ep 7 | 2024-01-02 | Field Notes | Kept Artist | urn:ep7";
        for (const char *format : {"mp3", "m4a", "flac"})
            QTest::addRow("%s", format) << "" << "ogg" << format << own;
        for (const char *format : {"mp3", "m4a", "flac", "wav"})
            QTest::addRow("%s kept", format) << "" << format << format << own;
        QTest::newRow("published, GMT") << "feed_partytime_dw_german.xml" << "mp3" << "mp3" << "18.03.2022 \u2013 Langsam gesprochene Nachrichten | 2022-03-18";
        QTest::newRow("published, two-digit year") << "feed_antennapod_rss2basic_extensionless.xml" << "mp3" << "mp3" << "item-0 | 1970-01-01";
        // clang-format on
    }
    void tagsFromTheFeed()
    {
        QFETCH(QString, file);
        QFETCH(QString, episode);
        QFETCH(QString, format);
        QFETCH(QString, tags);
        const bool own = file.isEmpty();
        const QString tone = env->root() + "/ep." + episode;
        QStringList making = own ? QStringList{"-metadata", "artist=Kept Artist"} : QStringList();
        if (episode == "ogg")
            making << "-c:a"
                   << "libvorbis";
        QVERIFY(makeTone(tone, 0.4, making));
        server->serve(QFileInfo(tone).fileName().prepend('/').toUtf8(), readFile(tone));
        // Every ffmpeg run is logged.
        const QString ffmpegLog = env->root() + "/ffmpeg.log";
        QVERIFY(writeScript(env->root() + "/ffmpeg",
                            QString("#!/bin/sh\necho \"$*\" >> '%1'\nexec ffmpeg \"$@\"\n").arg(ffmpegLog)));
        qputenv("TOVEL_FFMPEG", (env->root() + "/ffmpeg").toUtf8());
        // A published feed's addresses lead nowhere (its pictures are not fetched from the web), but its
        // enclosures lead here.
        QString feed
            = QString::fromUtf8(own ? QByteArray() : dataFile(file))
                  .replace(QRegularExpression("https?://[^\"<\\s]*"), "http://127.0.0.1:1/none")
                  .replace(QRegularExpression("(<enclosure\\s+url=\")[^\"]*\""), "\\1" + server->base() + "/ep.mp3\"");
        if (own) {
            QVERIFY(makeTone(env->root() + "/cover.png", 0.1,
                             {"-f", "lavfi", "-i", "color=red:s=32x32", "-map", "1", "-frames:v", "1"}));
            server->serve("/cover.png", readFile(env->root() + "/cover.png"));
            feed = QStringLiteral("<rss xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\"><channel>"
                                  "<title>Field Notes</title><itunes:author>The Host</itunes:author>"
                                  "<itunes:image href=\"%1/cover.png\"/><item><title>Ep 7</title><guid>urn:ep7</guid>"
                                  "<pubDate>Tue, 02 Jan 2024 10:00:00 +0000</pubDate>"
                                  "<enclosure url=\"%1/ep.%2\"/></item></channel></rss>")
                       .arg(server->base(), episode);
        }
        server->serve("/feed.xml", feed.toUtf8());
        const QString out = env->folder("out"), saved = out + '/' + tags.section(" | ", 0, 0) + '.' + format;
        JobRunner runner(out);
        QCOMPARE(gather(runner, server->base() + "/feed.xml", *audioFormatFromRaw(format), 1),
                 "Saved " + QFileInfo(saved).fileName());
        const Probe probed = probe(saved).value_or(Probe());
        QStringList found;
        for (const char *name : {"title", "date", "album", "artist", "comment"})
            found << probed.tags.value(name).left(name == QByteArray("date") ? 10 : -1);
        QCOMPARE(found.mid(0, tags.count(" | ") + 1).join(" | "), tags);
        QCOMPARE(probed.cover, own && format != "wav");
        QCOMPARE(entries(env->temp()), QStringList());
        if (episode == format) {
            const auto audio = [](const QString &path) {
                return runProgram("ffmpeg", {"-v", "error", "-i", path, "-map", "0:a", "-c", "copy", "-f", "md5", "-"});
            };
            QCOMPARE(audio(saved), audio(tone));
            QCOMPARE(readFile(ffmpegLog), QByteArray());
        }
    }
};

QTEST_GUILESS_MAIN(TestPodcast)
#include "tst_podcast.moc"
