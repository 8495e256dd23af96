#include "core/source_router.h"
#include "engine/manifest.h"
#include "support/http_server.h"
#include "support/jobs.h"
#include "support/test_env.h"

#include <QtTest>

using namespace tovel;
using namespace tovel::test;

namespace {
QByteArray feed(const QString &items)
{
    return "\xEF\xBB\xBF\n  <?xml version=\"1.0\"?><rss><channel><title>Field Notes</title>" + items.toUtf8()
        + "</channel></rss>";
}
} // namespace

// Feeds fetched from a server: what reaches the parser, the header we send, and a feed gathered whole.
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

    void resolve_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status"); // 0: nothing listens
        QTest::addColumn<QString>("outcome");
        QTest::newRow("feed with a byte-order mark")
            << feed("<item><title>One</title><enclosure type=\"audio/mpeg\" url=\"https://h.test/1.mp3\"/></item>")
            << 200 << "One \u00b7 Field Notes";
        QTest::newRow("html error page")
            << QByteArray("<html><body>Not found</body></html>") << 404
            << "That address loaded, but nothing playable was found. No audio enclosures in that feed.";
        QTest::newRow("unreachable") << QByteArray() << 0 << "Could not reach that address. ";
    }
    void resolve()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, outcome);
        server->serve("/show", body, status);
        // Not a feed-looking address: the router still tries it as a feed.
        const QString address = status ? server->base() + "/show" : QStringLiteral("http://127.0.0.1:1/show");
        const auto items = QCoro::waitFor(SourceRouter::resolve(address));
        const QString seen
            = items ? items->first().title + " \u00b7 " + items->first().origin : items.error().description();
        QVERIFY2(status ? seen == outcome : seen.startsWith(outcome), qPrintable(seen));
        if (status)
            QCOMPARE(server->requests().value(0).headers.value("user-agent"),
                     ManifestStore::shared().manifest().userAgent.toUtf8());
    }

    void gatherAFeed()
    {
        QVERIFY(makeTone(env->temp() + "/tone.wav", 0.4));
        server->serve("/audio/1.wav", readFile(env->temp() + "/tone.wav"));
        QFile::remove(env->temp() + "/tone.wav");
        QString items;
        for (int i = 1; i <= 3; ++i)
            items += QStringLiteral("<item><title>Episode %1</title><enclosure type=\"audio/wav\" url=\"%2\"/></item>")
                         .arg(i)
                         .arg(server->base() + "/audio/1.wav");
        server->serve("/podcast/feed.xml", feed(items));

        // The limit takes the first items of the feed.
        const QString out = env->folder("out");
        JobRunner runner(out);
        start(runner, server->base() + "/podcast/feed.xml", AudioFormat::m4a, 2);
        QCOMPARE(runner.jobs().size(), 2);
        QVERIFY(settle(runner));
        QCOMPARE(entries(out), QStringList({"Episode 1.m4a", "Episode 2.m4a"}));
        QCOMPARE(probe(out + "/Episode 2.m4a").value_or(Probe()).codec, "aac");
        QCOMPARE(entries(env->temp()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPodcast)
#include "tst_podcast.moc"
