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
QByteArray document(qint64 version, const QString &userAgent = QStringLiteral("Agent/2"), const char *extra = "")
{
    return QStringLiteral(R"({"version":%1,"minimumAppVersion":"1.0","archiveSearchEndpoint":"https://a.test/s",)"
                          R"("userAgent":%2%3})")
        .arg(version)
        .arg(QString::fromUtf8(QJsonDocument(QJsonArray{userAgent}).toJson(QJsonDocument::Compact)).mid(1).chopped(1))
        .arg(QString::fromUtf8(extra))
        .toUtf8();
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
        cache = env->home() + QStringLiteral("/.local/share/Tovel/manifest.json");
    }
    void cleanup()
    {
        server.reset();
        env.reset();
    }

    void cacheAtStart_data()
    {
        QTest::addColumn<QByteArray>("cached");
        QTest::addColumn<bool>("taken");
        QTest::newRow("no cache") << QByteArray() << false;
        QTest::newRow("version 0 with another agent wins") << document(0) << true;
        QTest::newRow("missing endpoint") << QByteArray(R"({"version":5,"minimumAppVersion":"1","userAgent":"A"})") << false;
        QTest::newRow("version as text") << QByteArray(R"({"version":"5","minimumAppVersion":"1","archiveSearchEndpoint":"x","userAgent":"A"})") << false;
        QTest::newRow("fractional version") << document(0).replace("\"version\":0", "\"version\":1.5") << false;
        QTest::newRow("null notice") << document(3, QStringLiteral("Agent/2"), R"(,"notice":null)") << true;
        QTest::newRow("line feed in the agent") << document(3, QStringLiteral("Agent\r\nX-Forged: 1")) << false;
        QTest::newRow("not json") << QByteArray("<html>") << false;
    }
    void cacheAtStart()
    {
        QFETCH(QByteArray, cached);
        QFETCH(bool, taken);
        if (!cached.isEmpty()) {
            QDir().mkpath(QFileInfo(cache).absolutePath());
            writeFile(cache, cached);
        }
        ManifestStore store(cache);
        QCOMPARE(store.manifest().userAgent == QStringLiteral("Agent/2"), taken);
        if (!taken)
            QCOMPARE(store.manifest(), EngineManifest::builtIn());
        QVERIFY(!store.manifest().notice);
        QVERIFY(!store.lastFetch());
    }

    void refresh_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("accepted");
        const QByteArray newer = document(7, QStringLiteral("Agent/7"), R"(,"future":{"kept":true})");
        QTest::newRow("newer, unknown keys kept in the cache") << 200 << newer << true;
        QTest::newRow("same version") << 200 << document(5, QStringLiteral("Agent/7")) << true;
        QTest::newRow("older") << 200 << document(4, QStringLiteral("Agent/7")) << false;
        QTest::newRow("304") << 304 << newer << false;
        QTest::newRow("500") << 500 << newer << false;
        QTest::newRow("undecodable") << 200 << QByteArray("{") << false;
        QTest::newRow("forged agent") << 200 << document(9, QStringLiteral("A\nB")) << false;
    }
    void refresh()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, accepted);
        QDir().mkpath(QFileInfo(cache).absolutePath());
        writeFile(cache, document(5, QStringLiteral("Agent/5")));
        HttpServer::Response response;
        response.status = status;
        response.body = body;
        server->route("/manifest.json", response);

        ManifestStore store(cache);
        QCoro::waitFor(store.refresh(server->url(QStringLiteral("/manifest.json"))));
        QCOMPARE(store.manifest().userAgent, accepted ? QStringLiteral("Agent/7") : QStringLiteral("Agent/5"));
        QCOMPARE(store.lastFetch().has_value(), accepted);
        QFile file(cache);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), accepted ? body : document(5, QStringLiteral("Agent/5")));
        // The manifest request carries no user agent of ours.
        QVERIFY(!server->requests().first().headers.value("user-agent").startsWith("Agent"));
    }

    void unreachable()
    {
        ManifestStore store(cache);
        QCoro::waitFor(store.refresh(QUrl(QStringLiteral("http://127.0.0.1:1/manifest.json"))));
        QCOMPARE(store.manifest(), EngineManifest::builtIn());
        QVERIFY(!store.lastFetch());
    }
};

QTEST_GUILESS_MAIN(TestManifest)
#include "tst_manifest.moc"
