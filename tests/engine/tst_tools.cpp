#include "engine/manifest.h"
#include "engine/tools.h"
#include "engine/web_engine.h"
#include "pipeline/history.h"
#include "pipeline/job_runner.h"
#include "platform/paths.h"
#include "support/http_server.h"
#include "support/jobs.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace tovel;
using namespace tovel::test;
using L = QStringList;

namespace {

const QString pageLink = QStringLiteral("http://127.0.0.1:9/watch?v=abc123");
const QString debianYtDlp = QStringLiteral("/usr/bin/yt-dlp");

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

// The external tools, the remote manifest and the web engine. Each test runs inside its own folder,
// HOME being its "home"; paths are relative to it. The web engine is a stand-in, tests/support/fake-yt-dlp.sh.
class TestTools : public QObject
{
    Q_OBJECT
    std::unique_ptr<test::TestEnv> env;
    QString out;
    const QString previous = QDir::currentPath();
    [[nodiscard]] QString cache() const { return env->root() + "/manifest.json"; }

    // The stand-in's script for its next run; "@ROOT@" is the test's own folder.
    void transcript(const QStringList &lines)
    {
        QString text = lines.join(u'\n') + u'\n';
        QVERIFY(writeFile(env->root() + "/transcript", text.replace("@ROOT@", env->root()).toUtf8()));
    }
    [[nodiscard]] bool engineRan() const { return QFile::exists(env->root() + "/args"); }

private slots:
    void init()
    {
        env = std::make_unique<test::TestEnv>();
        out = env->folder("out");
        QVERIFY(QDir::setCurrent(env->root()));
        const QString program = env->root() + "/yt-dlp";
        QVERIFY(writeScript(program, QString::fromUtf8(readFile(TOVEL_TEST_SUPPORT_DIR "/fake-yt-dlp.sh"))));
        WebEngine::shared().useForThisRun(true, program);
        QVERIFY(WebEngine::shared().isReady());
    }
    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, 60'000);
        WebEngine::shared().useForThisRun(false, std::nullopt);
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
        QTest::newRow("folders outermost") << L{ "x:d1/node", "x:d2/deno" } << runtimes << L() << "d1/node";
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
    }

    void classifyLicense_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("expected");
        QTest::newRow("GPL v2") << test::dataFile("ffmpeg_L_gpl2_debian12_stdout.txt") << "GPL";
        QTest::newRow("LGPL v2.1, phrase split by LF") << test::dataFile("ffmpeg_L_lgpl21_stdout.txt") << "LGPL";
        QTest::newRow("nonfree") << test::dataFile("ffmpeg_L_nonfree_stdout.txt") << "unknown";
        // clang-format on
    }
    void classifyLicense()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, expected);
        QCOMPARE(Tools::classifyLicense(output), expected);
    }

    void perUserPrograms()
    {
        const QString nvm = "home/.nvm/versions/node/";
        build({"x:home/.local/bin/deno", "x:" + nvm + "v20.1.0/bin/node", "f:" + nvm + "v9.0.0/bin/node",
               "x:home/.local/bin/yt-dlp"});
        QCOMPARE(Tools::findJSRuntime(), env->root() + "/" + nvm + "v20.1.0/bin/node");
        QCOMPARE(Tools::findYtDlp(), env->home() + "/.local/bin/yt-dlp");
    }

    void cacheAtStart_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("cached");
        QTest::addColumn<bool>("taken");
        QTest::newRow("no cache") << QByteArray() << false;
        QTest::newRow("version 0 with another agent wins") << document(0) << true;
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

    // Title, file, last error and progress, however the output is split.
    void readsWholeLines()
    {
        const auto read = [](const QByteArrayList &chunks) {
            QStringList seen;
            EngineLineReader reader([&seen](double fraction) { seen << QString::number(fraction); });
            for (const QByteArray &chunk : chunks)
                reader.feed(chunk);
            reader.finish();
            const EngineTranscript got = reader.transcript();
            return QStringList{got.title, got.file.value_or("-"), got.lastError, seen.join(',')}.join(" | ");
        };
        QCOMPARE(read({"[download] Destination: /w/a.m4a\n[download]  42.5% of 1.00MiB\n",
                       "ERROR: first\nWARNING: never mind\nERROR:  [generic] Unable to download \t\n"}),
                 " | - | [generic] Unable to download | 0.425");
        // Splits inside a marker and inside a character, and a last line without a line feed.
        QCOMPARE(read({"TOVEL-TI", "TLE:Caf\xc3", "\xa9 \xf0\x9f", "\x8e\xb5\nTOVEL-", "FILE:/w/a.m4a\n[downl",
                       "oad]  5", "0.0% of 3MiB\nERROR: cut ", "short"}),
                 QString::fromUtf8("Caf\xc3\xa9 \xf0\x9f\x8e\xb5 | /w/a.m4a | cut short | 0.5"));
        // A marker counts only at the start of a line.
        QCOMPARE(read({"TOVEL-FILE:/w/a.m4a\nWARNING: foo TOVEL-FILE:/x\n [x] TOVEL-TITLE:t\n"}), " | /w/a.m4a |  | ");
    }

    // What the runs through the stand-in and the real yt-dlp cannot show: the link always last, after
    // "--", so it is never an option; the output inside the job's folder; the runtime only for a yt-dlp
    // that takes it (2025.11.12 on); a video merged into MP4.
    void argumentLists()
    {
        const QString link = "https://host.test/watch?v=1", node = "/usr/bin/node";
        const QStringList audio
            = webEngineArguments(" \t" + link + " \n", false, "/tmp/tovel-X", "/usr/bin/ffmpeg", node, "2025.11.12");
        const QStringList video = webEngineArguments(link, true, "/tmp/tovel-X", "/usr/bin/ffmpeg", node, "2025.11.11");
        for (const QStringList &arguments : {audio, video}) {
            QCOMPARE(arguments.mid(arguments.size() - 2), QStringList({"--", link}));
            QCOMPARE(arguments.at(arguments.indexOf("-o") + 1), "/tmp/tovel-X/%(id)s.%(ext)s");
            QVERIFY(arguments.contains("--no-update") && arguments.contains("--no-playlist"));
        }
        QCOMPARE(audio.at(audio.indexOf("--js-runtimes") + 1), "node:" + node);
        QVERIFY(!video.contains("--js-runtimes") && !takesJsRuntimes(std::nullopt));
        QCOMPARE(video.at(video.indexOf("--merge-output-format") + 1), "mp4");
    }

    void takesOnlyFilesInside()
    {
        const QString in = env->folder("tmp/tovel-ABC"), outside = env->folder("outside") + "/o.m4a";
        const QString evil = env->folder("tmp/tovel-ABC-evil") + "/c.m4a";
        for (const QString &file : {in + "/a.m4a", outside, evil})
            QVERIFY(writeFile(file, "x"));
        QVERIFY(QFile::link(outside, in + "/out.m4a"));
        QCOMPARE(fileInside(in + "/a.m4a", in), QFileInfo(in + "/a.m4a").canonicalFilePath());
        for (const QString &file : {outside, in + "/out.m4a", evil})
            QVERIFY2(!fileInside(file, in), qPrintable(file));
    }

    // Why a download failed, in the engine's words where it gave any.
    void downloadFailures()
    {
        const QString media = env->root() + "/media.bin";
        QVERIFY(writeFile(media, "media"));
        const auto download = [this](const QStringList &script) {
            transcript(script);
            return QCoro::waitFor(WebEngine::shared().download(pageLink, false, {}, {}));
        };
        const auto generic = fail(Error::unsupported("The web engine couldn't read that link."));
        QCOMPARE(download({"warn ERROR: first", "warn ERROR: [generic] Unsupported URL: x", "exit 1"}),
                 fail(Error::unsupported("[generic] Unsupported URL: x")));
        QCOMPARE(download({"say TOVEL-TITLE:Night Song", "exit 0"}), generic);
        QCOMPARE(download({"bytes TOVEL-TITLE:Evil\\nTOVEL-FILE:@ROOT@/media.bin\\n"}), generic);
        // A file outside is never touched, and a failed download leaves no folder behind.
        QCOMPARE(readFile(media), QByteArray("media"));
        QCOMPARE(entries(env->temp()), QStringList()); // a download that works is saved in runner()
    }

    // Which links the runner hands to the engine, and a page saved through the stand-in and through yt-dlp itself.
    void runner_data()
    {
        // clang-format off
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("engine"); // empty: turned off
        QTest::addColumn<QString>("origin"); // empty when no job is made
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("title"); // the finished job's; empty when it is not expected to finish
        const QString standIn = "stand-in", web = "Web engine \u00b7 127.0.0.1";
        QTest::newRow("media link") << "/files/song.mp3" << standIn << "127.0.0.1" << "" << "";
        QTest::newRow("page, engine off")
            << "/watch/page" << "" << ""
            << "That address loaded, but nothing playable was found. No audio enclosures in that feed." << "";
        QTest::newRow("page, stand-in") << "/watch/page" << standIn << web << "" << "Night Song";
        // A "%" in the temporary folder's path is no output field: the file still lands in the job's folder.
        QTest::newRow("page, Debian's yt-dlp, odd temporary folder") << "/watch/page" << debianYtDlp << web << "%" << "Tone Page";
        // clang-format on
    }
    void runner()
    {
        QFETCH(QString, target);
        QFETCH(QString, engine);
        QFETCH(QString, origin);
        QFETCH(QString, error);
        QFETCH(QString, title);
        if (engine == debianYtDlp && !Tools::isExecutable(debianYtDlp))
            QSKIP("Debian's yt-dlp is not installed at /usr/bin/yt-dlp");
        if (error == "%") {
            error.clear();
            qputenv("TMPDIR", QFile::encodeName(env->folder("tmp/a%(title)s%%b")));
        }
        if (engine.isEmpty())
            WebEngine::shared().useForThisRun(false, std::nullopt);
        else if (engine == debianYtDlp)
            WebEngine::shared().useForThisRun(true, engine);
        const QString tone = env->root() + "/tone.m4a";
        QVERIFY(makeTone(tone, 0.5, {"-c:a", "aac"}));
        transcript({"say TOVEL-TITLE:Night Song", "copy @ROOT@/tone.m4a abc123.m4a", "say [download]  42.5% of 1MiB",
                    "say TOVEL-FILE:@FOLDER@/abc123.m4a"});
        HttpServer server;
        server.serve("/media/clip", readFile(tone));
        server.route("/watch/page",
                     {.body = "<!DOCTYPE html><html><head><title>Tone Page</title></head><body>"
                              "<audio controls src=\"/media/clip\"></audio></body></html>",
                      .contentType = "text/html"});

        JobRunner runner({.destination = out,
                          .history = std::make_shared<History>(env->root() + "/history.sqlite"),
                          .engine = &WebEngine::shared()});
        start(runner, server.base() + target);
        QCOMPARE(runner.lastErrorText(), error);
        QCOMPARE(runner.jobs().size(), origin.isEmpty() ? 0 : 1);
        const Job *job = runner.jobs().value(0);
        if (job) {
            QCOMPARE(job->origin(), origin);
        }
        QVERIFY(settle(runner));
        QCOMPARE(engineRan(), engine == "stand-in" && origin.startsWith("Web engine"));
        // The link comes last; the engine works in a folder of its own in the temporary folder.
        const QByteArray args = readFile(env->root() + "/args");
        if (engineRan())
            QVERIFY2(args.endsWith("\n--\n" + (server.base() + target).toUtf8() + "\n")
                         && args.contains("\n" + QFile::encodeName(env->temp()) + "/tovel-"),
                     args.constData());
        if (!title.isEmpty()) {
            QVERIFY2(job->phaseName() == "done", qPrintable(job->phaseLabel()));
            // yt-dlp itself may number the page's title.
            const bool named = engine == debianYtDlp ? job->title().startsWith(title) : job->title() == title;
            QVERIFY2(named, qPrintable(job->title()));
            QCOMPARE(entries(out), QStringList{job->title() + ".mp3"});
            QCOMPARE(probe(job->output().toLocalFile()).value_or(Probe()).codec, "mp3");
        }
        const bool odd = qEnvironmentVariable("TMPDIR") != env->temp();
        QCOMPARE(entries(env->temp()), odd ? QStringList{"a%(title)s%%b"} : QStringList());
        QCOMPARE(entries(QDir::tempPath()), QStringList());
    }

    // A yt-dlp whose --version never answers holds nothing up: the loop keeps turning while it is asked,
    // a local file gathers meanwhile, and after the limit it counts as not installed (the link is then
    // tried as a feed, like any other address).
    void aSilentEngineHoldsNothingUp()
    {
        const QString silent = env->root() + "/silent-yt-dlp";
        QVERIFY(writeScript(silent, "#!/bin/sh\nexec sleep 60\n"));
        WebEngine::shared().useForThisRun(true, silent);
        int ticks = 0;
        QTimer tick;
        tick.setInterval(50);
        connect(&tick, &QTimer::timeout, this, [&ticks] { ++ticks; });
        tick.start();

        const QString song = env->root() + "/song.wav";
        QVERIFY(makeTone(song));
        JobRunner runner({.destination = out, .engine = &WebEngine::shared()});
        start(runner, song);
        QVERIFY(settle(runner));
        QCOMPARE(runner.jobs().at(0)->phaseName(), "done");

        // The loop turned all through the probe's wait (at least half of the limit's ticks arrive).
        ticks = 0;
        start(runner, pageLink);
        QVERIFY2(ticks > WebEngine::probeLimitMs / 50 / 2, qPrintable(QString::number(ticks)));
        QCOMPARE(runner.jobs().size(), 1);
        QVERIFY(runner.lastErrorText().startsWith("Could not reach that address."));
        QVERIFY(!engineRan());
    }

    void cancelEndsTheEngine()
    {
        QVERIFY(writeFile(env->root() + "/junk.bin", "partial"));
        transcript({"copy @ROOT@/junk.bin abc123.m4a.part", "say [download]  10.0% of 1MiB", "exec sleep 300"});
        JobRunner runner({.destination = out, .engine = &WebEngine::shared()});
        start(runner, pageLink);
        QCOMPARE(runner.jobs().size(), 1);
        Job *job = runner.jobs().first();
        QTRY_VERIFY_WITH_TIMEOUT(job->progress() > 0, 60'000);
        const pid_t pid = readFile(env->root() + "/pid").trimmed().toInt();
        QVERIFY(pid > 0);

        runner.cancel(job);
        QVERIFY(settle(runner));
        QCOMPARE(job->phaseName(), "cancelled");
        // The stand-in (now sleep itself) is gone and reaped, long before it would have ended on its own.
        QCOMPARE(::kill(pid, 0), -1);
        QCOMPARE(entries(out), QStringList());
        QCOMPARE(entries(env->temp()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestTools)
#include "tst_tools.moc"
