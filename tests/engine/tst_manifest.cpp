#include "engine/manifest.h"
#include "support/http_server.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

namespace {
// A manifest document; `extra` is put in after the user agent.
QByteArray document(qint64 version, const QString &userAgent = "Agent/2", const QByteArray &extra = {})
{
    const QByteArray agent = QJsonDocument(QJsonArray{userAgent}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    return "{\"version\":" + QByteArray::number(version)
        + ",\"minimumAppVersion\":\"1.0\",\"archiveSearchEndpoint\":\"https://a.test/s\",\"userAgent\":" + agent + extra
        + "}";
}
} // namespace

class TestManifest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<HttpServer> server;
    QString cache;

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        server = std::make_unique<HttpServer>();
        cache = env->root() + "/manifest.json";
    }
    void cleanup()
    {
        server.reset();
        env.reset();
    }

    void cacheAtStart_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("cached");
        QTest::addColumn<bool>("taken");
        QTest::newRow("no cache") << QByteArray() << false;
        QTest::newRow("version 0 with another agent wins") << document(0) << true;
        QTest::newRow("missing endpoint")
            << QByteArray("{\"version\":5,\"minimumAppVersion\":\"1\",\"userAgent\":\"A\"}") << false;
        QTest::newRow("version as text") << document(5).replace("\"version\":5", "\"version\":\"5\"") << false;
        QTest::newRow("fractional version") << document(0).replace("\"version\":0", "\"version\":1.5") << false;
        QTest::newRow("null notice") << document(3, "Agent/2", ",\"notice\":null") << true;
        QTest::newRow("not json") << QByteArray("<html>") << false;
        // clang-format on
    }
    void cacheAtStart()
    {
        QFETCH(QByteArray, cached);
        QFETCH(bool, taken);
        if (!cached.isEmpty())
            writeFile(cache, cached);
        ManifestStore store(cache);
        QCOMPARE(store.manifest().userAgent == "Agent/2", taken);
        if (!taken)
            QCOMPARE(store.manifest(), EngineManifest::builtIn());
        QVERIFY(!store.manifest().notice);
        QVERIFY(!store.lastFetch());
    }

    void refresh_data()
    {
        // clang-format off
        QTest::addColumn<int>("status"); // 0: nothing listens
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("accepted");
        const QByteArray newer = document(7, "Agent/7", ",\"future\":{\"kept\":true}");
        QTest::newRow("newer, unknown keys kept in the cache") << 200 << newer << true;
        QTest::newRow("same version") << 200 << document(5, "Agent/7") << true;
        QTest::newRow("older") << 200 << document(4, "Agent/7") << false;
        QTest::newRow("304") << 304 << newer << false;
        QTest::newRow("forged agent") << 200 << document(9, "Agent/7\r\nX-Forged: 1") << false;
        QTest::newRow("agent over 256 characters") << 200 << document(9, QString(257, u'A')) << false;
        QTest::newRow("over 1 MiB") << 200 << document(7, "Agent/7") + QByteArray(1024 * 1024, ' ') << false;
        QTest::newRow("unreachable") << 0 << newer << false;
        // clang-format on
    }
    void refresh()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, accepted);
        writeFile(cache, document(5, "Agent/5"));
        server->serve("/manifest.json", body, status);

        ManifestStore store(cache);
        QCoro::waitFor(store.refresh(status ? server->url("/manifest.json") : QUrl("http://127.0.0.1:1/")));
        QCOMPARE(store.manifest().userAgent, accepted ? "Agent/7" : "Agent/5");
        QCOMPARE(store.lastFetch().has_value(), accepted);
        QCOMPARE(readFile(cache), accepted ? body : document(5, "Agent/5"));
        // The manifest request carries no user agent of ours.
        QVERIFY(!server->requests().value(0).headers.value("user-agent").startsWith("Agent"));
    }
};

QTEST_GUILESS_MAIN(TestManifest)
#include "tst_manifest.moc"
