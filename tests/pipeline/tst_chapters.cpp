#include "sources/feed_parser.h"
#include "support/http_server.h"
#include "support/jobs.h"
#include "support/test_env.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

// Chapters from the file or the feed, carried into every format that holds them, and transcripts saved
// beside the file: real media made by ffmpeg, gathered through the real pipeline, read back by ffprobe.
class TestChapters : public QObject
{
    Q_OBJECT

    QTemporaryDir media;
    std::unique_ptr<TestEnv> env;
    std::unique_ptr<HttpServer> server;
    QString out;

    // "0 One|1000 Two" from a file's chapters: start in milliseconds and title.
    static QString chaptersOf(const QString &file)
    {
        const QJsonArray chapters
            = QJsonDocument::fromJson(runProgram("ffprobe", {"-v", "error", "-show_chapters", "-of", "json", file}))
                  .object()
                  .value("chapters")
                  .toArray();
        QStringList said;
        for (const QJsonValue &chapter : chapters)
            said << QString::number(qRound64(chapter["start_time"].toString().toDouble() * 1000)) + ' '
                    + chapter["tags"]["title"].toString();
        return said.join('|');
    }

    // Whether two such lists name the same titles, each starting within 50 ms of the other.
    static bool same(const QString &actual, const QString &expected)
    {
        const QStringList a = actual.split('|', Qt::SkipEmptyParts), e = expected.split('|', Qt::SkipEmptyParts);
        if (a.size() != e.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i)
            if (a[i].section(' ', 1) != e[i].section(' ', 1)
                || qAbs(a[i].section(' ', 0, 0).toLongLong() - e[i].section(' ', 0, 0).toLongLong()) > 50)
                return false;
        return true;
    }

    QString feed(const QString &title, const QString &enclosure, const QString &extra) const
    {
        return QString("<?xml version=\"1.0\"?><rss version=\"2.0\" "
                       "xmlns:podcast=\"https://podcastindex.org/namespace/1.0\""
                       " xmlns:psc=\"http://podlove.org/simple-chapters\"><channel><title>Show</title><item><title>%1"
                       "</title><guid>%1</guid><enclosure url=\"%2/media/%3\" "
                       "type=\"audio/mpeg\"/>%4</item></channel></rss>")
            .arg(title, server->base(), enclosure, extra);
    }

    // The single saved file of a gathering and its job's warning.
    QString gatherFeed(const QString &document, AudioFormat format, QString *warning)
    {
        server->serve("/feed.xml", document.toUtf8());
        JobRunner runner({.destination = out, .timings = {.retryWaits = {0, 0, 0}}});
        const QString ended = gather(runner, server->base() + "/feed.xml", format);
        *warning = runner.jobs().value(0) ? runner.jobs().first()->warning() : QString();
        return ended.startsWith("Saved ") ? out + '/' + ended.mid(6) : ended;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(media.isValid());
        const QString chapters = media.path() + "/chapters.txt";
        QVERIFY(writeFile(chapters,
                          ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=One\n"
                          "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=2500\ntitle=Two é\n"
                          "[CHAPTER]\nTIMEBASE=1/1000\nSTART=2500\nEND=4000\ntitle=Three\n"));
        const QStringList withChapters{"-i", chapters, "-map", "0:a", "-map_chapters", "1"};
        QVERIFY(makeTone(media.path() + "/book.mp3", 4, withChapters + QStringList{"-c:a", "libmp3lame"}));
        QVERIFY(makeTone(media.path() + "/book.m4b", 4, withChapters + QStringList{"-c:a", "aac", "-f", "ipod"}));
        QVERIFY(makeTone(media.path() + "/book.flac", 4,
                         {"-metadata", "CHAPTER001=00:00:00.000", "-metadata", "CHAPTER001NAME=One", "-metadata",
                          "CHAPTER002=00:00:01.000", "-metadata", "CHAPTER002NAME=Two é", "-metadata",
                          "CHAPTER003=00:00:02.500", "-metadata", "CHAPTER003NAME=Three"}));
        QVERIFY(makeTone(media.path() + "/plain.mp3", 4, {"-c:a", "libmp3lame"}));
        QVERIFY(makeTone(media.path() + "/plain.m4a", 4, {"-c:a", "aac"}));
        QVERIFY(makeTone(media.path() + "/plain.flac", 4));
    }
    void init()
    {
        env = std::make_unique<TestEnv>();
        server = std::make_unique<HttpServer>();
        out = env->folder("out");
        for (const QString name : {"book.mp3", "plain.mp3", "plain.m4a", "plain.flac"})
            server->serve("/media/" + name.toUtf8(), readFile(media.path() + '/' + name));
    }
    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, 60'000);
        server.reset();
        env.reset();
    }

    // A file's own chapters survive every conversion into every format that holds them.
    void ownChapters_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<AudioFormat>("format");
        for (const char *source : {"book.mp3", "book.m4b", "book.flac"})
            for (const AudioFormat format : allAudioFormats)
                QTest::addRow("%s to %s", source, qPrintable(rawValue(format))) << QString(source) << format;
    }
    void ownChapters()
    {
        QFETCH(QString, source);
        QFETCH(AudioFormat, format);
        JobRunner runner(out);
        const QString ended = gather(runner, media.path() + '/' + source, format);
        QVERIFY2(ended.startsWith("Saved "), qPrintable(ended));
        const QString chapters = chaptersOf(out + '/' + ended.mid(6));
        const QString expected = format == AudioFormat::wav ? QString() : "0 One|1000 Two é|2500 Three";
        QVERIFY2(same(chapters, expected), qPrintable(chapters));
    }

    // The feed's chapters, listed in it or in a document it links to, go into the file; the file's own win.
    void feedChapters_data()
    {
        // clang-format off
        QTest::addColumn<QString>("enclosure");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<AudioFormat>("format");
        QTest::addColumn<QString>("chapters");
        QTest::addColumn<QString>("warning");
        const auto linked = [](const char *path) { return QString("<podcast:chapters url=\"%1\" type=\"application/json+chapters\"/>").arg(path); };
        const QString json = linked("/chapters.json"), expected = "0 Intro|1500 Middle|3000 End";
        const QString psc = "<psc:chapters version=\"1.2\"><psc:chapter start=\"00:00:00.000\" title=\"Intro\"/>"
                            "<psc:chapter start=\"00:00:01.500\" title=\"Middle\"/><psc:chapter start=\"00:00:03.000\" title=\"End\"/></psc:chapters>";
        QTest::newRow("json, mp3 to mp3") << "plain.mp3" << json << AudioFormat::mp3 << expected << QString();
        QTest::newRow("psc, mp3 to m4a") << "plain.mp3" << psc << AudioFormat::m4a << expected << QString();
        QTest::newRow("json, m4a kept") << "plain.m4a" << json << AudioFormat::m4a << expected << QString();
        QTest::newRow("psc, flac kept") << "plain.flac" << psc << AudioFormat::flac << expected << QString();
        QTest::newRow("psc, to wav") << "plain.mp3" << psc << AudioFormat::wav << QString() << QString();
        QTest::newRow("the file's own win") << "book.mp3" << json << AudioFormat::mp3 << "0 One|1000 Two é|2500 Three" << QString();
        QTest::newRow("broken document") << "plain.mp3" << linked("/broken.json") << AudioFormat::mp3 << QString()
                                         << "Saved without chapters: the chapters could not be read.";
        // clang-format on
    }
    void feedChapters()
    {
        QFETCH(QString, enclosure);
        QFETCH(QString, extra);
        QFETCH(AudioFormat, format);
        QFETCH(QString, chapters);
        QFETCH(QString, warning);
        server->serve(
            "/chapters.json",
            "{\"version\":\"1.2.0\",\"chapters\":[{\"startTime\":3,\"title\":\"End\"},"
            "{\"startTime\":0,\"title\":\"Intro\"},{\"startTime\":1.5,\"endTime\":3,\"title\":\"Middle\"},"
            "{\"startTime\":2,\"title\":\"Hidden\",\"toc\":false},{\"startTime\":60,\"title\":\"Past the end\"}]}");
        server->serve("/broken.json", "{\"chapters\":[{\"startTime\":0,\"title\":\"Cut");
        QString said;
        const QString saved = gatherFeed(feed("Episode 12", enclosure, extra), format, &said);
        QVERIFY2(QFileInfo(saved).isFile(), qPrintable(saved));
        const QString written = chaptersOf(saved);
        QVERIFY2(same(written, chapters), qPrintable(written));
        QCOMPARE(said, warning);
        QCOMPARE(entries(env->temp()), QStringList());
    }

    // A transcript lands beside the file, under its name: SRT as sent, timed JSON made into WebVTT; one
    // already there stays, and what cannot be had only leaves a word on the card.
    void transcripts_data()
    {
        // clang-format off
        QTest::addColumn<QString>("links");
        QTest::addColumn<QString>("saved"); // the transcript's file name and its text; empty: none
        QTest::addColumn<QString>("warning");
        const QString srt = "1\n00:00:00,000 --> 00:00:02,000\nHello\n";
        const QString vtt = "WEBVTT\n\n00:00:00.500 --> 00:00:02.000\n<v Ann>Hello &amp; welcome\n\n00:00:02.000 --> 00:00:03.250\nBye\n";
        const auto link = [](const char *path, const char *type) { return QString("<podcast:transcript url=\"/t/%1\" type=\"%2\"/>").arg(path, type); };
        QTest::newRow("json, with srt preferred") << link("timed.json", "application/json") + link("a.srt", "application/srt") << "Episode 12.srt\n" + srt << QString();
        QTest::newRow("timed json") << link("timed.json", "application/json") + link("page.html", "text/html") << "Episode 12.vtt\n" + vtt << QString();
        QTest::newRow("untimed json") << link("untimed.json", "application/json") << QString() << QString();
        QTest::newRow("already there") << link("a.srt", "application/srt") << "Episode 12.srt\nmine" << QString();
        QTest::newRow("unreachable") << link("missing.srt", "application/srt") << QString() << "Saved without its transcript: the transcript could not be read.";
        // clang-format on
    }
    void transcripts()
    {
        QFETCH(QString, links);
        QFETCH(QString, saved);
        QFETCH(QString, warning);
        server->serve("/t/a.srt", "1\n00:00:00,000 --> 00:00:02,000\nHello\n");
        server->serve("/t/timed.json",
                      "{\"version\":\"1.0.0\",\"segments\":["
                      "{\"speaker\":\"Ann\",\"startTime\":0.5,\"endTime\":2,\"body\":\"Hello & welcome\"},"
                      "{\"startTime\":2,\"endTime\":3.25,\"body\":\"Bye\"},{\"body\":\"No time\"}]}");
        server->serve("/t/untimed.json", "{\"segments\":[{\"body\":\"Hello\"}]}");
        // "/t/missing.srt" is not served: the server answers 404.
        if (QTest::currentDataTag() == QLatin1String("already there"))
            QVERIFY(writeFile(out + "/Episode 12.srt", "mine"));
        QString said;
        const QString audio = gatherFeed(feed("Episode 12", "plain.mp3", links), AudioFormat::mp3, &said);
        QCOMPARE(audio, out + "/Episode 12.mp3");
        QCOMPARE(said, warning);
        QStringList expected{"Episode 12.mp3"};
        if (!saved.isEmpty()) {
            const QString name = saved.section('\n', 0, 0);
            QCOMPARE(QString::fromUtf8(readFile(out + '/' + name)), saved.section('\n', 1));
            expected << name;
        }
        QCOMPARE(entries(out), expected);
    }

    // What a feed item says of its chapters and transcripts.
    void feedElements_data()
    {
        // clang-format off
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("chapters"); // starts and titles, then the chapters document, if any
        QTest::addColumn<QString>("transcript");
        QTest::newRow("psc times") << "<psc:chapters><psc:chapter start=\"1:02:03.5\" title=\" Late \"/><psc:chapter start=\"00:05\" title=\"Five\"/>"
                                      "<psc:chapter start=\"7\"/><psc:chapter start=\"1:75\" title=\"Bad\"/><psc:chapter start=\"x\"/></psc:chapters>"
                                   << "5000 Five|7000 |3723500 Late" << QString();
        QTest::newRow("document and transcripts")
            << "<podcast:chapters url=\"c.json\" type=\"application/json+chapters\"/><podcast:transcript url=\"t.html\" type=\"text/html\"/>"
               "<podcast:transcript url=\"t.json\" type=\"application/json\"/><podcast:transcript url=\"t.vtt\" type=\"text/vtt\"/>"
               "<podcast:transcript url=\"t.srt\" type=\"application/srt\"/>"
            << "http://feeds.test/show/c.json" << "http://feeds.test/show/t.vtt";
        QTest::newRow("only a local link") << "<podcast:chapters url=\"file:///etc/passwd\"/>" << QString() << QString();
        // clang-format on
    }
    void feedElements()
    {
        QFETCH(QString, extra);
        QFETCH(QString, chapters);
        QFETCH(QString, transcript);
        const QByteArray document = feed("E", "a.mp3", extra).toUtf8();
        const MediaItems items = parseFeed(document, QUrl("http://feeds.test/show/feed.xml"));
        QCOMPARE(items.size(), 1);
        QStringList said;
        for (const Chapter &chapter : items.first().chapters)
            said << QString::number(chapter.start) + ' ' + chapter.title;
        if (items.first().chaptersUrl)
            said << items.first().chaptersUrl->toString();
        QCOMPARE(said.join('|'), chapters);
        QCOMPARE(items.first().transcript ? items.first().transcript->url.toString() : QString(), transcript);
    }
};

QTEST_GUILESS_MAIN(TestChapters)
#include "tst_chapters.moc"
