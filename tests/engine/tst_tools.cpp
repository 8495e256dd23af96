#include "engine/manifest.h"
#include "engine/tools.h"
#include "platform/paths.h"
#include "support/http_server.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include <memory>

using namespace tovel;
using L = QStringList;

namespace {

// Lays out files in the current folder: "x:path" an executable script, "f:path" a plain file,
// "d:path" a folder, "l:path=target" a symbolic link to target.
void build(const QStringList &layout)
{
    for (const QString &entry : layout) {
        const QString kind = entry.section(u':', 0, 0), rest = entry.section(u':', 1);
        const QString path = rest.section(u'=', 0, 0);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        if (kind == u"x")
            QVERIFY(test::writeScript(path, "#!/bin/sh\nexit 0\n"));
        else if (kind == u"f")
            QVERIFY(test::writeFile(path, "#!/bin/sh\nexit 0\n"));
        else if (kind == u"d")
            QVERIFY(QDir().mkpath(path));
        else
            QVERIFY(QFile::link(QDir::current().absoluteFilePath(rest.section(u'=', 1)), path));
    }
}

// A manifest document; `extra` is put in after the user agent.
QByteArray document(qint64 version, const QString &userAgent = "Agent/2", const QByteArray &extra = {})
{
    const QByteArray agent = QJsonDocument(QJsonArray{userAgent}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    return "{\"version\":" + QByteArray::number(version)
        + ",\"minimumAppVersion\":\"1.0\",\"archiveSearchEndpoint\":\"https://a.test/s\",\"userAgent\":" + agent + extra
        + "}";
}
} // namespace

// The external tools and the remote manifest. Each test runs inside its own folder, HOME being its
// "home"; paths are relative to it.
class TestTools : public QObject
{
    Q_OBJECT
    std::unique_ptr<test::TestEnv> env;
    const QString previous = QDir::currentPath();
    [[nodiscard]] QString cache() const { return env->root() + "/manifest.json"; }

private slots:
    void init()
    {
        env = std::make_unique<test::TestEnv>();
        QVERIFY(QDir::setCurrent(env->root()));
    }
    void cleanup()
    {
        QDir::setCurrent(previous);
        qunsetenv("TOVEL_FFMPEG");
        qputenv("TOVEL_RESOURCES", "");
        env.reset();
    }

    void find_data()
    {
        // clang-format off
        QTest::addColumn<QStringList>("layout");
        QTest::addColumn<QStringList>("names"); // searched in d1, d2, d3
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("expected");
        const L tool{ "tool" }, runtimes{ "deno", "node" };
        QTest::newRow("first executable extra, as given")
            << L{ "f:b/tool", "x:a/tool", "x:d1/tool" } << tool << L{ "b/tool", "a/../a/tool" } << "a/../a/tool";
        QTest::newRow("no executable extra") << L{ "f:a/tool", "x:d2/tool" } << tool << L{ "a/tool", "no/tool" }
                                             << "d2/tool";
        QTest::newRow("folders outermost") << L{ "x:d1/node", "x:d2/deno" } << runtimes << L() << "d1/node";
        QTest::newRow("names in order") << L{ "x:d1/node", "x:d1/deno" } << runtimes << L() << "d1/deno";
        QTest::newRow("plain file, folder skipped") << L{ "f:d1/tool", "d:d2/tool", "x:d3/tool" } << tool << L()
                                                    << "d3/tool";
        QTest::newRow("link counts by its target, path kept")
            << L{ "f:e/plain", "x:e/real", "l:d1/tool=e/plain", "l:d2/tool=e/real" } << tool << L() << "d2/tool";
        QTest::newRow("nothing") << L{ "f:d1/tool", "d:d2/tool" } << tool << L{ "d1/tool" } << QString();
        // clang-format on
    }
    void find()
    {
        QFETCH(QStringList, layout);
        QFETCH(QStringList, names);
        QFETCH(QStringList, extra);
        QFETCH(QString, expected);
        build(layout);
        if (!QTest::currentTestFailed())
            QCOMPARE(Tools::find(names, extra, L{"d1", "d2", "d3"}),
                     expected.isEmpty() ? std::nullopt : std::optional(expected));
    }

    void bundledFFmpeg()
    {
        build({"f:res/bin/ffmpeg", "x:d2/ffmpeg"});
        QCOMPARE(Tools::locateFFmpeg("res", L{"d1", "d2"}), "d2/ffmpeg"); // the bundled one is not executable
        build({"x:res/bin/ffmpeg"});
        QCOMPARE(Tools::locateFFmpeg("res", L{"d1", "d2"}), "res/bin/ffmpeg");
        QCOMPARE(Tools::locateFFmpeg(std::nullopt, L{"d1", "d2"}), "d2/ffmpeg");
        // Whether the ffmpeg in use is the bundled one; an empty override means no resource folder.
        qputenv("TOVEL_RESOURCES", "/res");
        qputenv("TOVEL_FFMPEG", "/usr/bin/ffmpeg");
        QVERIFY(!Tools::ffmpegInResources());
        qputenv("TOVEL_FFMPEG", "/res/bin/ffmpeg");
        QVERIFY(Tools::ffmpegInResources());
        qputenv("TOVEL_RESOURCES", "");
        QVERIFY(!Tools::ffmpegInResources());
    }

    void classifyLicense_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("expected");
        QTest::newRow("GPL v2") << test::dataFile("ffmpeg_L_gpl2_debian12_stdout.txt") << "GPL";
        QTest::newRow("LGPL v2.1, phrase split by LF") << test::dataFile("ffmpeg_L_lgpl21_stdout.txt") << "LGPL";
        QTest::newRow("split by CR LF") << test::dataFile("ffmpeg_L_lgpl21_stdout.txt").replace("\n", "\r\n") << "unknown";
        QTest::newRow("nonfree") << test::dataFile("ffmpeg_L_nonfree_stdout.txt") << "unknown";
        QTest::newRow("both, lesser named last and split by CR")
            << QByteArray("GNU General Public License or GNU Lesser\rGeneral Public License") << "LGPL";
        QTest::newRow("invalid UTF-8") << QByteArray("GNU General Public License \xff\xfe") << "unknown";
        QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbfGNU General Public License \xc2\xa9") << "GPL";
        // clang-format on
    }
    void classifyLicense()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, expected);
        QCOMPARE(Tools::classifyLicense(output), expected);
    }

    void ffmpegLicense()
    {
        const QString path = QDir::current().absoluteFilePath("ffmpeg");
        qputenv("TOVEL_FFMPEG", "");
        QCOMPARE(Tools::ffmpegLicense(), "not found");
        qputenv("TOVEL_FFMPEG", path.toUtf8());
        QVERIFY(test::writeFile(path, "#!/bin/sh\necho 'GNU General Public License'\n"));
        QCOMPARE(Tools::ffmpegLicense(), "unknown"); // cannot start
        // Only standard output counts, whatever the exit status.
        QVERIFY(test::writeScript(path,
                                  "#!/bin/sh\n[ \"$*\" = -L ] || exit 2\necho 'GNU General Public License'\n"
                                  "echo 'GNU Lesser General Public License' >&2\nexit 1\n"));
        QCOMPARE(Tools::ffmpegLicense(), "GPL");
    }

    void perUserPrograms()
    {
        const QString nvm = "home/.nvm/versions/node/";
        build({"x:home/.local/bin/deno", "x:" + nvm + "v20.1.0/bin/node", "f:" + nvm + "v9.0.0/bin/node",
               "x:home/.local/bin/yt-dlp"});
        QCOMPARE(Tools::findJSRuntime(), env->root() + "/" + nvm + "v20.1.0/bin/node");
        QCOMPARE(Tools::findYtDlp(), env->home() + "/.local/bin/yt-dlp");
        build({"x:" + nvm + "v9.0.0/bin/node"}); // plain text order, not numeric
        QCOMPARE(Tools::findJSRuntime(), env->root() + "/" + nvm + "v9.0.0/bin/node");
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
            test::writeFile(cache(), cached);
        ManifestStore store(cache());
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
        test::writeFile(cache(), document(5, "Agent/5"));
        test::HttpServer server;
        server.serve("/manifest.json", body, status);

        ManifestStore store(cache());
        QCoro::waitFor(store.refresh(status ? server.url("/manifest.json") : QUrl("http://127.0.0.1:1/")));
        QCOMPARE(store.manifest().userAgent, accepted ? "Agent/7" : "Agent/5");
        QCOMPARE(store.lastFetch().has_value(), accepted);
        QCOMPARE(test::readFile(cache()), accepted ? body : document(5, "Agent/5"));
        // The manifest request carries no user agent of ours.
        QVERIFY(!server.requests().value(0).headers.value("user-agent").startsWith("Agent"));
    }
};

QTEST_GUILESS_MAIN(TestTools)
#include "tst_tools.moc"
