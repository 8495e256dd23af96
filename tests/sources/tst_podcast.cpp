#include "core/job_runner.h"
#include "core/source_router.h"
#include "engine/manifest.h"
#include "support/http_server.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

// Feeds fetched from a server: what reaches the parser, the header we send, and a feed gathered whole.
class TestPodcast : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<HttpServer> server;

    QByteArray feed(const QString &enclosures) const
    {
        return ("\xEF\xBB\xBF\n  <?xml version=\"1.0\"?><rss><channel><title>Field Notes</title>" + enclosures
                + "</channel></rss>")
            .toUtf8();
    }
    void serve(const QByteArray &target, const QByteArray &body, int status = 200)
    {
        HttpServer::Response response;
        response.status = status;
        response.body = body;
        server->route(target, response);
    }

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
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("feed with a byte-order mark") << feed("<item><title>One</title><enclosure type=\"audio/mpeg\" url=\"https://h.test/1.mp3\"/></item>")
                                                     << 200 << "One \u00b7 Field Notes";
        QTest::newRow("html error page") << QByteArray("<html><body>Not found</body></html>") << 404
                                         << "That address loaded, but nothing playable was found. No audio enclosures in that feed.";
        QTest::newRow("local file enclosure") << feed("<item><title>x</title><enclosure type=\"audio/mpeg\" url=\"file:///etc/passwd\"/></item>")
                                              << 200 << "That address loaded, but nothing playable was found. No audio enclosures in that feed.";
    }
    void resolve()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, outcome);
        serve("/show", body, status);
        // Not a feed-looking address: the router still tries it as a feed.
        const auto items = QCoro::waitFor(SourceRouter::resolve(server->base() + QStringLiteral("/show")));
        const QString seen = items ? items->first().title + QStringLiteral(" \u00b7 ") + items->first().origin
                                   : items.error().description();
        QCOMPARE(seen, outcome);
        QCOMPARE(server->requests().first().headers.value("user-agent"),
                 ManifestStore::shared().manifest().userAgent.toUtf8());
    }

    void unreachable()
    {
        const auto items = QCoro::waitFor(SourceRouter::resolve(QStringLiteral("http://127.0.0.1:1/feed.xml")));
        QVERIFY(!items);
        QVERIFY(items.error().description().startsWith(QStringLiteral("Could not reach that address. ")));
    }

    void gatherAFeed()
    {
        const QString tonePath = env->temp() + QStringLiteral("/tone.wav");
        QVERIFY(makeTone(tonePath, 0.4));
        QFile tone(tonePath);
        QVERIFY(tone.open(QIODevice::ReadOnly));
        serve("/audio/1.wav", tone.readAll());
        tone.remove();
        QString items;
        for (int i = 1; i <= 3; ++i)
            items += QStringLiteral("<item><title>Episode %1</title><enclosure type=\"audio/wav\" url=\"%2/audio/1.wav\"/></item>")
                         .arg(i)
                         .arg(server->base());
        serve("/podcast/feed.xml", feed(items));

        const QString out = env->folder(QStringLiteral("out"));
        JobRunner runner(out);
        QCoro::waitFor(runner.run(server->base() + QStringLiteral("/podcast/feed.xml"), AudioFormat::m4a, AudioQuality::k128, 2));
        QCOMPARE(runner.jobs().size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(runner.activeTasks() == 0, 60'000);
        QCOMPARE(entries(out), QStringList({"Episode 1.m4a", "Episode 2.m4a"}));
        QCOMPARE(probe(out + QStringLiteral("/Episode 2.m4a"))->codec, QStringLiteral("aac"));
        QCOMPARE(entries(env->temp()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPodcast)
#include "tst_podcast.moc"
