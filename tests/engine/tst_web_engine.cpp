#include "core/job_runner.h"
#include "engine/tools.h"
#include "engine/web_engine.h"
#include "support/http_server.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QDir>
#include <QtTest>

#include <csignal>

using namespace tovel;
using namespace tovel::test;

namespace {

constexpr int timeout = 60'000;
const QString generic = QStringLiteral("The web engine couldn't read that link.");
const QString pageLink = QStringLiteral("http://127.0.0.1:9/watch?v=abc123");

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

HttpServer::Response response(const QByteArray &body, const QByteArray &type)
{
    HttpServer::Response reply;
    reply.body = body;
    reply.contentType = type;
    return reply;
}

} // namespace

class TestWebEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    QString out;

    // The stand-in's script for its next run; "@ROOT@" is the test's own folder.
    void transcript(const QStringList &lines)
    {
        QString text = lines.join(u'\n') + u'\n';
        text.replace(QStringLiteral("@ROOT@"), env->root());
        QVERIFY(writeFile(env->root() + QStringLiteral("/transcript"), text.toUtf8()));
    }
    [[nodiscard]] bool engineRan() const { return QFile::exists(env->root() + QStringLiteral("/args")); }

    static void run(JobRunner &runner, const QString &input, AudioFormat format = AudioFormat::mp3)
    {
        QCoro::waitFor(runner.run(input, format, AudioQuality::best, 100));
    }
    // Runs the runner on `link`: its one job once it has ended, or null.
    static const Job *runOneJob(JobRunner &runner, const QString &link, AudioFormat format = AudioFormat::mp3)
    {
        run(runner, link, format);
        const bool ended = QTest::qWaitFor([&runner] { return runner.activeTasks() == 0; }, timeout);
        return ended && runner.jobs().size() == 1 ? runner.jobs().first() : nullptr;
    }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        out = env->folder(QStringLiteral("out"));
        const QString program = env->root() + QStringLiteral("/yt-dlp");
        QVERIFY(writeScript(program, QString::fromUtf8(readBytes(QStringLiteral(TOVEL_TEST_SUPPORT_DIR "/fake-yt-dlp.sh")))));
        WebEngine::shared().useForThisRun(true, program);
        QVERIFY(WebEngine::shared().isReady());
    }
    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, timeout);
        WebEngine::shared().useForThisRun(false, std::nullopt);
        Tools::clearFFmpegOverride();
        env.reset();
    }

    void readsWholeLines()
    {
        QList<double> seen;
        const auto read = [&seen](const QByteArrayList &chunks) {
            seen.clear();
            EngineLineReader reader([&seen](double fraction) { seen << fraction; });
            for (const QByteArray &chunk : chunks)
                reader.feed(chunk);
            reader.finish();
            return reader.transcript();
        };
        EngineTranscript got = read({"[download] Destination: /w/a.m4a\n[download]  42.5% of 1.00MiB\n",
                                       "ERROR: first\nWARNING: never mind\nERROR:  [generic] Unable to download \t\n"});
        QCOMPARE(got.lastError, QStringLiteral("[generic] Unable to download"));
        QCOMPARE(seen, QList<double>{0.425});
        // Splits inside a marker and inside a character, and a last line without a line feed.
        got = read({"TOVEL-TI", "TLE:Caf\xc3", "\xa9 \xf0\x9f", "\x8e\xb5\nTOVEL-", "FILE:/w/a.m4a\n[downl", "oad]  5",
                      "0.0% of 3MiB\nERROR: cut ", "short"});
        QCOMPARE(got.title, QString::fromUtf8("Caf\xc3\xa9 \xf0\x9f\x8e\xb5"));
        QCOMPARE(got.file, std::optional<QString>(QStringLiteral("/w/a.m4a")));
        QCOMPARE(got.lastError, QStringLiteral("cut short"));
        QCOMPARE(seen, QList<double>{0.5});
    }

    void jsRuntimesByVersion()
    {
        QVERIFY(!takesJsRuntimes(QStringLiteral("2023.03.04")));
        QVERIFY(takesJsRuntimes(QStringLiteral("2025.11.12")));
        QVERIFY(!takesJsRuntimes(std::nullopt));
    }

    void argumentLists()
    {
        const QString link = QStringLiteral("https://host.test/watch?v=1");
        const QString folder = QStringLiteral("/tmp/tovel-X");
        const QStringList before{"--no-update", "--no-playlist", "--no-simulate", "--newline", "--progress",
                                 "--print", "before_dl:TOVEL-TITLE:%(title)s", "--print",
                                 "after_move:TOVEL-FILE:%(filepath)s", "-o", folder + "/%(id)s.%(ext)s",
                                 "--ffmpeg-location", "/usr/bin/ffmpeg", "--js-runtimes", "node:/usr/bin/node"};
        const auto arguments = [&](const QString &given, bool video) {
            return webEngineArguments(given, video, folder, QStringLiteral("/usr/bin/ffmpeg"),
                                      QStringLiteral("/usr/bin/node"), QStringLiteral("2025.11.12"));
        };
        const QStringList audio = before + QStringList{"-f", "ba/b", "--", link};
        const QStringList video = before + QStringList{"-f", "bv*[ext=mp4]+ba[ext=m4a]/b[ext=mp4]/bv*+ba/b",
                                                       "--merge-output-format", "mp4", "--", link};
        QCOMPARE(arguments(QStringLiteral(" \t") + link + QStringLiteral(" \n"), false), audio);
        QCOMPARE(arguments(link, true), video);
    }

    void takesOnlyFilesInside()
    {
        const QString in = env->folder(QStringLiteral("tmp/tovel-ABC"));
        const QString outside = env->folder(QStringLiteral("outside"));
        const QString evil = env->folder(QStringLiteral("tmp/tovel-ABC-evil")) + QStringLiteral("/c.m4a");
        QVERIFY(writeFile(in + QStringLiteral("/a.m4a"), "a"));
        QVERIFY(writeFile(outside + QStringLiteral("/o.m4a"), "o"));
        QVERIFY(writeFile(evil, "c"));
        QVERIFY(QFile::link(outside + QStringLiteral("/o.m4a"), in + QStringLiteral("/out.m4a")));

        QCOMPARE(fileInside(in + QStringLiteral("/a.m4a"), in), QFileInfo(in + QStringLiteral("/a.m4a")).canonicalFilePath());
        QVERIFY(!fileInside(outside + QStringLiteral("/o.m4a"), in));
        QVERIFY(!fileInside(in + QStringLiteral("/out.m4a"), in));
        QVERIFY(!fileInside(evil, in));
    }

    void recognisesWebLinks()
    {
        QVERIFY(WebEngine::looksLikeWebLink(QStringLiteral(" \thttp://video.test/a \n")));
        QVERIFY(!WebEngine::looksLikeWebLink(QStringLiteral("-https://video.test/a")));
        QVERIFY(!WebEngine::looksLikeWebLink(QStringLiteral("ftp://video.test/a.mp4")));
        QVERIFY(!WebEngine::looksLikeWebLink(QStringLiteral("http://")));
    }

    void downloads()
    {
        const QString media = env->root() + QStringLiteral("/media.bin");
        QVERIFY(writeFile(media, "media"));
        const auto download = [this](const QStringList &script) {
            transcript(script);
            return QCoro::waitFor(WebEngine::shared().download(pageLink, false, {}, {}));
        };
        const auto failure = [&download](const QStringList &script) {
            const Result<WebDownload> downloaded = download(script);
            if (downloaded)
                return QStringLiteral("<downloaded>");
            return downloaded.error().kind() == SourceErrorKind::unsupported ? downloaded.error().detail() : QString();
        };
        QCOMPARE(failure({"warn ERROR: first", "warn ERROR: [generic] Unsupported URL: x", "exit 1"}),
                 QStringLiteral("[generic] Unsupported URL: x"));
        QCOMPARE(failure({"say TOVEL-TITLE:Night Song", "exit 0"}), generic);
        QCOMPARE(failure({"bytes TOVEL-TITLE:Evil\\nTOVEL-FILE:@ROOT@/media.bin\\n"}), generic);
        // A file outside is never touched, and a failed download leaves no folder behind.
        QCOMPARE(readBytes(media), QByteArray("media"));
        QCOMPARE(entries(env->temp()), QStringList());

        const Result<WebDownload> downloaded = download({"say TOVEL-TITLE:Night Song", "copy @ROOT@/media.bin abc123.m4a",
                                                         "say TOVEL-FILE:@FOLDER@/abc123.m4a"});
        QVERIFY2(downloaded, qPrintable(downloaded ? QString() : downloaded.error().description()));
        QCOMPARE(QFileInfo(downloaded->workingFolder).absolutePath(), env->temp());
        QCOMPARE(downloaded->file, QFileInfo(downloaded->workingFolder + QStringLiteral("/abc123.m4a")).canonicalFilePath());
        QCOMPARE(downloaded->title, QStringLiteral("Night Song"));
        QVERIFY(QDir(downloaded->workingFolder).removeRecursively());
    }

    void runnerRouting_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("engineOn");
        QTest::addColumn<QString>("origin"); // empty when no job is made
        QTest::addColumn<QString>("error");

        QTest::newRow("media link") << "/files/song.mp3" << true << "127.0.0.1" << "";
        QTest::newRow("page, engine off")
            << "/watch/page" << false << ""
            << "That address loaded, but nothing playable was found. No audio enclosures in that feed.";
        QTest::newRow("page, engine on") << "/watch/page" << true << QString::fromUtf8("Web engine \xc2\xb7 127.0.0.1") << "";
    }
    void runnerRouting()
    {
        QFETCH(QString, target);
        QFETCH(bool, engineOn);
        QFETCH(QString, origin);
        QFETCH(QString, error);
        HttpServer server;
        server.route("/watch/page", response("<html><body>nothing to hear</body></html>", "text/html"));
        if (!engineOn)
            WebEngine::shared().useForThisRun(false, std::nullopt);

        JobRunner runner(out);
        run(runner, server.base() + target);
        QCOMPARE(runner.lastErrorText(), error);
        QCOMPARE(runner.jobs().size(), origin.isEmpty() ? 0 : 1);
        if (!origin.isEmpty()) {
            QCOMPARE(runner.jobs().first()->origin(), origin);
            QCOMPARE(runner.jobs().first()->title(), QLatin1String(target == QLatin1String("/watch/page") ? "127.0.0.1" : "song"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(runner.activeTasks() == 0, timeout);
        QCOMPARE(engineRan(), origin.startsWith(QLatin1String("Web engine")));
        if (engineRan())
            QVERIFY(readBytes(env->root() + QStringLiteral("/args")).endsWith("\n--\n" + (server.base() + target).toUtf8() + "\n"));
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void runnerSavesTheDownload()
    {
        QVERIFY(makeTone(env->root() + QStringLiteral("/tone.wav")));
        transcript({"say TOVEL-TITLE:Night Song", "copy @ROOT@/tone.wav abc123.wav", "say [download]  42.5% of 1MiB",
                    "say TOVEL-FILE:@FOLDER@/abc123.wav"});
        JobRunner runner(out);
        const Job *job = runOneJob(runner, pageLink);
        QVERIFY(job);
        QVERIFY2(job->phaseName() == QLatin1String("done"), qPrintable(job->phaseLabel()));
        QCOMPARE(job->title(), QStringLiteral("Night Song"));
        QCOMPARE(entries(out), QStringList{QStringLiteral("Night Song.mp3")});
        QCOMPARE(probe(job->output().toLocalFile())->codec, QStringLiteral("mp3"));
        // The working folder goes with the job.
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void cancelEndsTheEngine()
    {
        QVERIFY(writeFile(env->root() + QStringLiteral("/junk.bin"), "partial"));
        transcript({"copy @ROOT@/junk.bin abc123.m4a.part", "say [download]  10.0% of 1MiB", "exec sleep 300"});
        JobRunner runner(out);
        run(runner, pageLink);
        QCOMPARE(runner.jobs().size(), 1);
        Job *job = runner.jobs().first();
        QTRY_VERIFY_WITH_TIMEOUT(job->progress() > 0, timeout);
        const pid_t pid = readBytes(env->root() + QStringLiteral("/pid")).trimmed().toInt();
        QVERIFY(pid > 0);

        runner.cancel(job);
        QTRY_VERIFY_WITH_TIMEOUT(runner.activeTasks() == 0, timeout);
        QCOMPARE(job->phaseName(), QStringLiteral("cancelled"));
        // The stand-in (now sleep itself) is gone and reaped, long before it would have ended on its own.
        QCOMPARE(::kill(pid, 0), -1);
        QCOMPARE(entries(out), QStringList());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void realYtDlpReadsAnAudioPage()
    {
        const QString ytDlp = QStringLiteral("/usr/bin/yt-dlp");
        if (!Tools::isExecutable(ytDlp))
            QSKIP("Debian's yt-dlp is not installed at /usr/bin/yt-dlp");
        const QString tone = env->root() + QStringLiteral("/tone.m4a");
        QVERIFY(makeTone(tone, 0.5, {"-c:a", "aac"}));
        HttpServer server;
        server.route("/media/clip", response(readBytes(tone), "audio/mp4"));
        server.route("/watch/page", response("<!DOCTYPE html><html><head><title>Tone Page</title></head><body>"
                                             "<audio controls src=\"/media/clip\"></audio></body></html>",
                                             "text/html"));
        WebEngine::shared().useForThisRun(true, ytDlp);
        QVERIFY(WebEngine::shared().isReady());

        JobRunner runner(out);
        const Job *job = runOneJob(runner, server.base() + QStringLiteral("/watch/page"), AudioFormat::m4a);
        QVERIFY(job);
        QVERIFY2(job->phaseName() == QLatin1String("done"), qPrintable(job->phaseLabel()));
        QVERIFY2(job->title().startsWith(QLatin1String("Tone Page")), qPrintable(job->title()));
        QCOMPARE(probe(job->output().toLocalFile())->codec, QStringLiteral("aac"));
        QCOMPARE(entries(out).size(), 1);
        QCOMPARE(entries(env->temp()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestWebEngine)
#include "tst_web_engine.moc"
