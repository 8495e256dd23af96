#include "core/job_runner.h"
#include "engine/tools.h"
#include "engine/web_engine.h"
#include "support/http_server.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QDir>
#include <QRegularExpression>
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

QStringList argumentsBefore(const QString &folder)
{
    return {"--no-update", "--no-playlist", "--no-simulate", "--newline", "--progress",
            "--print", "before_dl:TOVEL-TITLE:%(title)s", "--print", "after_move:TOVEL-FILE:%(filepath)s",
            "-o", folder + "/%(id)s.%(ext)s"};
}

const QString videoFormat = QStringLiteral("bv*[ext=mp4]+ba[ext=m4a]/b[ext=mp4]/bv*+ba/b");

} // namespace

class TestWebEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    QString program;
    QString out;

    // The stand-in's script for its next run; "@ROOT@" is the test's own folder.
    void transcript(const QStringList &lines)
    {
        QString text = lines.join(u'\n') + u'\n';
        text.replace(QStringLiteral("@ROOT@"), env->root());
        QVERIFY(writeFile(env->root() + QStringLiteral("/transcript"), text.toUtf8()));
    }
    [[nodiscard]] QStringList engineArguments() const
    {
        return QString::fromUtf8(readBytes(env->root() + QStringLiteral("/args"))).split(u'\n', Qt::SkipEmptyParts);
    }
    [[nodiscard]] bool engineRan() const { return QFile::exists(env->root() + QStringLiteral("/args")); }

    static Result<WebDownload> download(const QString &link, bool video, QList<double> *progress = nullptr)
    {
        WebEngine::StartCallback onStart;
        WebEngine::ProgressCallback report = [progress](double fraction) {
            if (progress)
                progress->append(fraction);
        };
        return QCoro::waitFor(WebEngine::shared().download(link, video, onStart, report));
    }
    static void run(JobRunner &runner, const QString &input, AudioFormat format = AudioFormat::mp3)
    {
        QCoro::waitFor(runner.run(input, format, AudioQuality::best, 100));
    }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        out = env->folder(QStringLiteral("out"));
        program = env->root() + QStringLiteral("/yt-dlp");
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

    void readsWholeLines_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QList<double>>("progress");

        QTest::newRow("progress") << QByteArrayList{"[download]  10.0% of ~ 1.00MiB at 2.00MiB/s ETA 00:01\n"
                                                    "[download]  42.5% of 1.00MiB\n[download] 100% of 1.00MiB in 00:00:01\n"}
                                  << "" << "<none>" << "" << QList<double>{0.1, 0.425, 1.0};
        QTest::newRow("download lines without a percentage")
            << QByteArrayList{"[download] Destination: /w/a.m4a\n[download] /w/a.m4a has already been downloaded\n"}
            << "" << "<none>" << "" << QList<double>{};
        QTest::newRow("the last error wins")
            << QByteArrayList{"ERROR: first\nWARNING: never mind\nERROR:  [generic] Unable to download webpage \t\n"}
            << "" << "<none>" << "[generic] Unable to download webpage" << QList<double>{};
        QTest::newRow("an error about the download")
            << QByteArrayList{"ERROR: [download] Got error: timed out\n"} << "" << "<none>"
            << "[download] Got error: timed out" << QList<double>{};
        QTest::newRow("title as printed, file trimmed")
            << QByteArrayList{"TOVEL-TITLE:  Two  spaces \nTOVEL-FILE: \t/w/a b.m4a \t\n"} << "  Two  spaces "
            << "/w/a b.m4a" << "" << QList<double>{};
        QTest::newRow("carriage returns") << QByteArrayList{"TOVEL-TITLE:Dos\r\nERROR: broken\r\n"} << "Dos" << "<none>"
                                          << "broken" << QList<double>{};
        QTest::newRow("split inside markers")
            << QByteArrayList{"TOVEL-TI", "TLE:Song\nTOVEL-", "FILE:/w/a.m4a\n[downl", "oad]  5", "0.0% of 3MiB\n"}
            << "Song" << "/w/a.m4a" << "" << QList<double>{0.5};
        QTest::newRow("split inside characters")
            << QByteArrayList{"TOVEL-TITLE:Caf\xc3", "\xa9 \xe2\x80", "\x94 \xf0\x9f", "\x8e\xb5\n"}
            << QString::fromUtf8("Caf\xc3\xa9 \xe2\x80\x94 \xf0\x9f\x8e\xb5") << "<none>" << "" << QList<double>{};
        QTest::newRow("last line without a line feed")
            << QByteArrayList{"TOVEL-FILE:/w/a.m4a\nERROR: cut ", "short"} << "" << "/w/a.m4a" << "cut short"
            << QList<double>{};
        QTest::newRow("a line that is not UTF-8") << QByteArrayList{"TOVEL-TITLE:\xff\xfe bad\nTOVEL-FILE:/w/a.m4a\n"}
                                                  << "" << "/w/a.m4a" << "" << QList<double>{};
    }
    void readsWholeLines()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QString, title);
        QFETCH(QString, file);
        QFETCH(QString, error);
        QFETCH(QList<double>, progress);
        // However the bytes are cut up, the same lines come out.
        for (const bool bytewise : {false, true}) {
            QList<double> seen;
            EngineLineReader reader([&seen](double fraction) { seen << fraction; });
            if (bytewise) {
                for (const char byte : chunks.join())
                    reader.feed(QByteArray(1, byte));
            } else {
                for (const QByteArray &chunk : chunks)
                    reader.feed(chunk);
            }
            reader.finish();
            QCOMPARE(reader.transcript().title, title);
            QCOMPARE(reader.transcript().file.value_or(QStringLiteral("<none>")), file);
            QCOMPARE(reader.transcript().lastError, error);
            QCOMPARE(seen, progress);
        }
    }

    void jsRuntimesByVersion_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("takes");
        QTest::newRow("2023 release") << "2023.03.04" << false;
        QTest::newRow("day before") << "2025.11.11" << false;
        QTest::newRow("late in an earlier year") << "2024.12.31" << false;
        QTest::newRow("first release") << "2025.11.12" << true;
        QTest::newRow("later month") << "2025.12.01" << true;
        QTest::newRow("nightly build stamp") << "2026.01.02.123456" << true;
        QTest::newRow("nightly") << "nightly" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("absent") << QString() << false;
    }
    void jsRuntimesByVersion()
    {
        QFETCH(QString, version);
        QFETCH(bool, takes);
        QCOMPARE(takesJsRuntimes(version.isNull() ? std::nullopt : std::optional(version)), takes);
    }

    void argumentLists_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("video");
        QTest::addColumn<QString>("ffmpeg");
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("rest");

        const QString link = QStringLiteral("https://host.test/watch?v=1");
        QTest::newRow("audio, nothing found") << link << false << "" << "" << "2025.11.12"
                                              << QStringList{"-f", "ba/b", "--", link};
        QTest::newRow("video with ffmpeg")
            << link << true << "/usr/bin/ffmpeg" << "" << "2025.11.12"
            << QStringList{"--ffmpeg-location", "/usr/bin/ffmpeg", "-f", videoFormat, "--merge-output-format", "mp4", "--", link};
        QTest::newRow("node on a new release")
            << link << false << "/usr/bin/ffmpeg" << "/usr/bin/node" << "2025.11.12"
            << QStringList{"--ffmpeg-location", "/usr/bin/ffmpeg", "--js-runtimes", "node:/usr/bin/node", "-f", "ba/b", "--", link};
        QTest::newRow("deno on a nightly")
            << link << true << "" << "/home/u/.deno/bin/deno" << "2026.01.02.123456"
            << QStringList{"--js-runtimes", "deno:/home/u/.deno/bin/deno", "-f", videoFormat, "--merge-output-format", "mp4", "--", link};
        QTest::newRow("runtime in a deno folder") << link << false << "" << "/opt/deno/node" << "2025.11.12"
                                                  << QStringList{"--js-runtimes", "node:/opt/deno/node", "-f", "ba/b", "--", link};
        QTest::newRow("runtime on an old release") << link << false << "" << "/usr/bin/node" << "2023.03.04"
                                                   << QStringList{"-f", "ba/b", "--", link};
        QTest::newRow("runtime, version unknown") << link << false << "" << "/usr/bin/node" << QString()
                                                  << QStringList{"-f", "ba/b", "--", link};
        QTest::newRow("link trimmed") << QStringLiteral(" \t") + link + QStringLiteral(" \n") << false << "" << ""
                                      << "" << QStringList{"-f", "ba/b", "--", link};
    }
    void argumentLists()
    {
        QFETCH(QString, link);
        QFETCH(bool, video);
        QFETCH(QString, ffmpeg);
        QFETCH(QString, runtime);
        QFETCH(QString, version);
        QFETCH(QStringList, rest);
        const auto given = [](const QString &text) { return text.isNull() ? std::nullopt : std::optional(text); };
        const QString folder = QStringLiteral("/tmp/tovel-X");
        QCOMPARE(webEngineArguments(link, video, folder, ffmpeg.isEmpty() ? std::nullopt : std::optional(ffmpeg),
                                    runtime.isEmpty() ? std::nullopt : std::optional(runtime), given(version)),
                 argumentsBefore(folder) + rest);
    }

    void takesOnlyFilesInside_data()
    {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<bool>("taken");
        QTest::newRow("file inside") << "@IN@/a.m4a" << true;
        QTest::newRow("file in a subfolder") << "@IN@/sub/b.m4a" << true;
        QTest::newRow("missing file") << "@IN@/gone.m4a" << false;
        QTest::newRow("folder inside") << "@IN@/sub" << false;
        QTest::newRow("file outside") << "@OUT@/o.m4a" << false;
        QTest::newRow("climbing out") << "@IN@/../../outside/o.m4a" << false;
        QTest::newRow("folder sharing the name's start") << "@IN@-evil/c.m4a" << false;
        QTest::newRow("link to a file outside") << "@IN@/out.m4a" << false;
        QTest::newRow("link to a file inside") << "@IN@/alias.m4a" << false;
        QTest::newRow("through a linked folder") << "@IN@/linked/o.m4a" << false;
        QTest::newRow("nothing") << "" << false;
    }
    void takesOnlyFilesInside()
    {
        QFETCH(QString, reported);
        QFETCH(bool, taken);
        const QString in = env->folder(QStringLiteral("tmp/tovel-ABC"));
        const QString outside = env->folder(QStringLiteral("outside"));
        QVERIFY(writeFile(in + QStringLiteral("/a.m4a"), "a"));
        QVERIFY(QDir().mkpath(in + QStringLiteral("/sub")));
        QVERIFY(writeFile(in + QStringLiteral("/sub/b.m4a"), "b"));
        QVERIFY(writeFile(outside + QStringLiteral("/o.m4a"), "o"));
        QVERIFY(writeFile(env->folder(QStringLiteral("tmp/tovel-ABC-evil")) + QStringLiteral("/c.m4a"), "c"));
        QVERIFY(QFile::link(outside + QStringLiteral("/o.m4a"), in + QStringLiteral("/out.m4a")));
        QVERIFY(QFile::link(in + QStringLiteral("/a.m4a"), in + QStringLiteral("/alias.m4a")));
        QVERIFY(QFile::link(outside, in + QStringLiteral("/linked")));

        const QString path = QString(reported).replace(QStringLiteral("@IN@"), in).replace(QStringLiteral("@OUT@"), outside);
        const auto file = fileInside(path, in);
        QCOMPARE(file.has_value(), taken);
        if (taken)
            QCOMPARE(*file, QFileInfo(path).canonicalFilePath());
        QVERIFY(!fileInside(std::nullopt, in));
    }

    void recognisesWebLinks_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("web");
        QTest::newRow("https page") << "https://video.test/watch?v=1" << true;
        QTest::newRow("surrounding space") << " \thttp://video.test/a \n" << true;
        QTest::newRow("scheme in capitals") << "HTTPS://Video.Test/a" << true;
        QTest::newRow("leading hyphen") << "-https://video.test/a" << false;
        QTest::newRow("option") << "--exec=touch /tmp/x" << false;
        QTest::newRow("spaces, then a hyphen") << "  --version" << false;
        QTest::newRow("ftp") << "ftp://video.test/a.mp4" << false;
        QTest::newRow("file") << "file:///tmp/a.mp4" << false;
        QTest::newRow("no host") << "http://" << false;
        QTest::newRow("empty host") << "https:///watch" << false;
        QTest::newRow("no scheme") << "video.test/watch" << false;
        QTest::newRow("empty") << "" << false;
    }
    void recognisesWebLinks()
    {
        QFETCH(QString, input);
        QFETCH(bool, web);
        QCOMPARE(WebEngine::looksLikeWebLink(input), web);
    }

    void downloads_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QString>("title"); // "<failed>" when the download fails
        QTest::addColumn<QString>("result"); // the file's name, or the failure's text
        QTest::addColumn<QList<double>>("progress");

        const QString copy = QStringLiteral("copy @ROOT@/media.bin ");
        const QString inject = QStringLiteral("bytes TOVEL-TITLE:Evil\\nTOVEL-FILE:@ROOT@/media.bin\\n");
        QTest::newRow("title, progress and file")
            << QStringList{"say [download] Destination: @FOLDER@/abc123.m4a", "say TOVEL-TITLE:Night Song",
                           "say [download]  42.5% of 1.00MiB", copy + "abc123.m4a", "say [download] 100% of 1.00MiB",
                           "say TOVEL-FILE:@FOLDER@/abc123.m4a"}
            << "Night Song" << "abc123.m4a" << QList<double>{0.425, 1.0};
        QTest::newRow("no title") << QStringList{copy + "abc123.mp4", "say TOVEL-FILE:@FOLDER@/abc123.mp4"} << "abc123"
                                  << "abc123.mp4" << QList<double>{};
        QTest::newRow("errors on standard error")
            << QStringList{"say TOVEL-TITLE:x", "warn ERROR: first", "warn ERROR: [generic] Unsupported URL: x", "exit 1"}
            << "<failed>" << "[generic] Unsupported URL: x" << QList<double>{};
        QTest::newRow("exit 0 without a file") << QStringList{"say TOVEL-TITLE:Night Song", "exit 0"} << "<failed>"
                                               << generic << QList<double>{};
        QTest::newRow("exit 0 after an error") << QStringList{"say ERROR: gone", "exit 0"} << "<failed>" << "gone"
                                               << QList<double>{};
        QTest::newRow("file, then a failing exit")
            << QStringList{copy + "a.m4a", "say TOVEL-FILE:@FOLDER@/a.m4a", "exit 2"} << "<failed>" << generic
            << QList<double>{};
        QTest::newRow("reported file missing") << QStringList{"say TOVEL-FILE:@FOLDER@/never.m4a"} << "<failed>"
                                               << generic << QList<double>{};
        QTest::newRow("file outside, from the title") << QStringList{inject} << "<failed>" << generic << QList<double>{};
        QTest::newRow("file outside, then its own")
            << QStringList{inject, copy + "a.m4a", "say TOVEL-FILE:@FOLDER@/a.m4a"} << "Evil" << "a.m4a" << QList<double>{};
        QTest::newRow("own file, then one outside")
            << QStringList{copy + "a.m4a", "say TOVEL-FILE:@FOLDER@/a.m4a", "say TOVEL-FILE:@ROOT@/media.bin"}
            << "<failed>" << generic << QList<double>{};
        QTest::newRow("output split at awkward places")
            << QStringList{"bytes TOVEL-TI", "pause 0.2", "bytes TLE:Caf\\303", "pause 0.2", "bytes \\251\\n[download]  4",
                           "pause 0.2", "bytes 2.5%% of 1MiB\\nTOVEL-FI", copy + "a.m4a", "pause 0.2",
                           "bytes LE:@FOLDER@/a.m4a"}
            << QString::fromUtf8("Caf\xc3\xa9") << "a.m4a" << QList<double>{0.425};
    }
    void downloads()
    {
        QFETCH(QStringList, script);
        QFETCH(QString, title);
        QFETCH(QString, result);
        QFETCH(QList<double>, progress);
        const QString media = env->root() + QStringLiteral("/media.bin");
        QVERIFY(writeFile(media, "media"));
        transcript(script);

        QList<double> seen;
        const Result<WebDownload> downloaded = download(pageLink, false, &seen);
        QCOMPARE(seen, progress);
        // A file outside is never touched.
        QCOMPARE(readBytes(media), QByteArray("media"));
        if (title == QLatin1String("<failed>")) {
            QVERIFY(!downloaded);
            QVERIFY(downloaded.error().kind() == SourceErrorKind::unsupported);
            QCOMPARE(downloaded.error().detail(), result);
        } else {
            QVERIFY2(downloaded, qPrintable(downloaded ? QString() : downloaded.error().description()));
            const QString folder = downloaded->workingFolder;
            QCOMPARE(QFileInfo(folder).absolutePath(), env->temp());
            QVERIFY(QRegularExpression(QStringLiteral("^tovel-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"))
                        .match(QFileInfo(folder).fileName())
                        .hasMatch());
            QCOMPARE(downloaded->file, QFileInfo(folder + u'/' + result).canonicalFilePath());
            QCOMPARE(downloaded->title, title);
            QVERIFY(QDir(folder).removeRecursively());
        }
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("detail"); // empty for the platform's own launch error

        const QString off = QStringLiteral("Turn on the web engine in Engine settings.");
        const QString notWeb = QStringLiteral("That doesn't look like a web link.");
        QTest::newRow("engine off") << "off" << pageLink << off;
        QTest::newRow("program missing") << "missing" << pageLink << off;
        QTest::newRow("program not executable") << "not executable" << pageLink << off;
        QTest::newRow("leading hyphen") << "ready" << "--exec=touch /tmp/x" << notWeb;
        QTest::newRow("ftp link") << "ready" << "ftp://127.0.0.1/a.mp4" << notWeb;
        QTest::newRow("program that cannot start") << "bad interpreter" << pageLink << "";
    }
    void refusals()
    {
        QFETCH(QString, setup);
        QFETCH(QString, link);
        QFETCH(QString, detail);
        WebEngine &engine = WebEngine::shared();
        if (setup == QLatin1String("off"))
            engine.useForThisRun(false, std::nullopt);
        else if (setup == QLatin1String("missing"))
            engine.useForThisRun(true, env->root() + QStringLiteral("/nothing"));
        else if (setup == QLatin1String("not executable")) {
            QVERIFY(writeFile(env->root() + QStringLiteral("/plain"), "#!/bin/sh\n"));
            engine.useForThisRun(true, env->root() + QStringLiteral("/plain"));
        } else if (setup == QLatin1String("bad interpreter")) {
            QVERIFY(writeScript(env->root() + QStringLiteral("/broken"), QStringLiteral("#!/nonexistent/interpreter\n")));
            engine.useForThisRun(true, env->root() + QStringLiteral("/broken"));
        }
        const Result<WebDownload> downloaded = download(link, false);
        QVERIFY(!downloaded);
        if (detail.isEmpty()) {
            QVERIFY(!downloaded.error().kind());
            QVERIFY(!downloaded.error().detail().isEmpty());
        } else {
            QVERIFY(downloaded.error().kind() == SourceErrorKind::unsupported);
            QCOMPARE(downloaded.error().detail(), detail);
        }
        QVERIFY(!engineRan());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void programGetsItsArguments_data()
    {
        QTest::addColumn<bool>("video");
        QTest::addColumn<bool>("ffmpeg");
        QTest::addColumn<QString>("version");
        QTest::newRow("audio on the old release") << false << true << "2023.03.04";
        QTest::newRow("video on a new release") << true << true << "2025.11.12";
        QTest::newRow("no ffmpeg, nightly") << false << false << "2026.01.02.123456";
    }
    void programGetsItsArguments()
    {
        QFETCH(bool, video);
        QFETCH(bool, ffmpeg);
        QFETCH(QString, version);
        QVERIFY(writeFile(env->root() + QStringLiteral("/version"), version.toUtf8() + "\n"));
        WebEngine::shared().refreshVersion();
        QCOMPARE(WebEngine::shared().versionText(), version);
        if (!ffmpeg)
            Tools::overrideFFmpegPath(std::nullopt);
        QVERIFY(!download(QStringLiteral("  ") + pageLink + QStringLiteral(" \n"), video));

        const QStringList arguments = engineArguments();
        QVERIFY(arguments.size() > 11);
        const QString folder = QFileInfo(arguments.at(10)).path();
        QCOMPARE(QFileInfo(folder).path(), env->temp());
        QCOMPARE(arguments, webEngineArguments(pageLink, video, folder, Tools::ffmpegPath(), Tools::findJSRuntime(), version));
        QCOMPARE(arguments.mid(arguments.size() - 2), QStringList({"--", pageLink}));
        QCOMPARE(arguments.contains(QStringLiteral("--ffmpeg-location")), ffmpeg);
        QCOMPARE(arguments.contains(QStringLiteral("--js-runtimes")),
                 version != QLatin1String("2023.03.04") && Tools::findJSRuntime().has_value());
        QVERIFY(!QFileInfo::exists(folder));
    }

    void runnerRouting_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("engine"); // on, off, or missing (on, with no program)
        QTest::addColumn<QString>("origin"); // empty when no job is made
        QTest::addColumn<QString>("error");

        const QString noFeed = QStringLiteral("That address loaded, but nothing playable was found. No audio enclosures in that feed.");
        QTest::newRow("media link") << "/files/song.mp3" << "on" << "127.0.0.1" << "";
        QTest::newRow("feed-looking link") << "/podcast/feed.xml" << "on" << "" << noFeed;
        QTest::newRow("page, engine off") << "/watch/page" << "off" << "" << noFeed;
        QTest::newRow("page, no program") << "/watch/page" << "missing" << "" << noFeed;
        QTest::newRow("page, engine on") << "/watch/page" << "on" << QString::fromUtf8("Web engine \xc2\xb7 127.0.0.1") << "";
    }
    void runnerRouting()
    {
        QFETCH(QString, target);
        QFETCH(QString, engine);
        QFETCH(QString, origin);
        QFETCH(QString, error);
        HttpServer server;
        HttpServer::Response page;
        page.body = "<html><body>nothing to hear</body></html>";
        page.contentType = "text/html";
        server.route("/watch/page", page);
        server.route("/podcast/feed.xml", page);
        if (engine == QLatin1String("off"))
            WebEngine::shared().useForThisRun(false, std::nullopt);
        else if (engine == QLatin1String("missing"))
            WebEngine::shared().useForThisRun(true, env->root() + QStringLiteral("/nothing"));

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
            QCOMPARE(engineArguments().constLast(), server.base() + target);
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void runnerOutcomes_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QString>("phase");
        QTest::addColumn<QString>("label"); // how the final label starts
        QTest::addColumn<QString>("title");
        QTest::addColumn<QList<int>>("progress"); // in hundredths of a percent
        QTest::addColumn<QString>("output");

        const QString unreadable = QStringLiteral("Nothing here can read that. ");
        QTest::newRow("converted and saved")
            << QStringList{"say TOVEL-TITLE:Night Song", "say [download]  10.0% of 1MiB", "copy @ROOT@/tone.wav abc123.wav",
                           "say [download]  42.5% of 1MiB", "say [download] 100% of 1MiB",
                           "say TOVEL-FILE:@FOLDER@/abc123.wav"}
            << "done" << "Saved" << "Night Song" << QList<int>{700, 2975, 7000, 7500, 10000} << "Night Song.mp3";
        QTest::newRow("file outside ignored")
            << QStringList{"bytes TOVEL-TITLE:Evil\\nTOVEL-FILE:@ROOT@/tone.wav\\n"} << "failed" << unreadable + generic
            << "127.0.0.1" << QList<int>{} << "";
        QTest::newRow("error and a failing exit")
            << QStringList{"warn ERROR: [generic] Unable to download webpage: HTTP Error 404", "exit 1"} << "failed"
            << unreadable + "[generic] Unable to download webpage: HTTP Error 404" << "127.0.0.1" << QList<int>{}
            << "";
        QTest::newRow("file that is not media")
            << QStringList{"say TOVEL-TITLE:Junk", "copy @ROOT@/junk.bin junk.m4a", "say TOVEL-FILE:@FOLDER@/junk.m4a"}
            << "failed" << "Conversion failed. " << "Junk" << QList<int>{7500} << "";
    }
    void runnerOutcomes()
    {
        QFETCH(QStringList, script);
        QFETCH(QString, phase);
        QFETCH(QString, label);
        QFETCH(QString, title);
        QFETCH(QList<int>, progress);
        QFETCH(QString, output);
        const QString tone = env->root() + QStringLiteral("/tone.wav");
        QVERIFY(makeTone(tone));
        QVERIFY(writeFile(env->root() + QStringLiteral("/junk.bin"), "not media at all"));
        const QByteArray toneBytes = readBytes(tone);
        transcript(script);

        JobRunner runner(out);
        QList<int> seen;
        connect(&runner, &JobRunner::jobAdded, this, [&seen](Job *job) {
            connect(job, &Job::progressChanged, job, [&seen, job] { seen << qRound(job->progress() * 10'000); });
        });
        run(runner, pageLink);
        QCOMPARE(runner.jobs().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(runner.activeTasks() == 0, timeout);
        const Job *job = runner.jobs().first();
        QCOMPARE(job->phaseName(), phase);
        QVERIFY2(job->phaseLabel().startsWith(label), qPrintable(job->phaseLabel()));
        QCOMPARE(job->title(), title);
        QCOMPARE(seen, progress);
        QCOMPARE(entries(out), output.isEmpty() ? QStringList() : QStringList{output});
        if (!output.isEmpty()) {
            QCOMPARE(job->output().toLocalFile(), out + u'/' + output);
            QCOMPARE(probe(out + u'/' + output)->codec, QStringLiteral("mp3"));
        }
        QCOMPARE(readBytes(tone), toneBytes);
        // The working folder goes with the job, whatever its end.
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
        QCOMPARE(job->phaseName(), QStringLiteral("fetching"));
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

    void realYtDlp_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<AudioFormat>("format");
        QTest::addColumn<QString>("codec");
        QTest::addColumn<QString>("title"); // how the title starts
        QTest::newRow("media without an extension") << "/stream/clip" << AudioFormat::mp3 << "mp3" << "clip";
        QTest::newRow("audio on a page") << "/watch/page" << AudioFormat::m4a << "aac" << "Tone Page";
        QTest::newRow("video on a page") << "/watch/film" << AudioFormat::mp4 << "mpeg4" << "Film Page";
    }
    void realYtDlp()
    {
        QFETCH(QString, target);
        QFETCH(AudioFormat, format);
        QFETCH(QString, codec);
        QFETCH(QString, title);
        const QString ytDlp = QStringLiteral("/usr/bin/yt-dlp");
        if (!Tools::isExecutable(ytDlp))
            QSKIP("Debian's yt-dlp is not installed at /usr/bin/yt-dlp");
        const QString tone = env->root() + QStringLiteral("/tone.m4a");
        const QString film = env->root() + QStringLiteral("/film.mp4");
        QVERIFY(makeTone(tone, 0.5, {"-c:a", "aac"}));
        QVERIFY(makeTone(film, 0.5, {"-f", "lavfi", "-i", "color=c=blue:s=64x64:d=0.5", "-c:a", "aac", "-c:v", "mpeg4"}));

        HttpServer server;
        const auto media = [](const QByteArray &body, const QByteArray &type) {
            HttpServer::Response response;
            response.body = body;
            response.contentType = type;
            return response;
        };
        server.route("/stream/clip", media(readBytes(tone), "audio/mp4"));
        server.route("/media/clip", media(readBytes(tone), "audio/mp4"));
        server.route("/media/film", media(readBytes(film), "video/mp4"));
        server.route("/watch/page", media("<!DOCTYPE html><html><head><title>Tone Page</title></head><body>"
                                          "<audio controls src=\"/media/clip\"></audio></body></html>",
                                          "text/html"));
        server.route("/watch/film", media("<!DOCTYPE html><html><head><title>Film Page</title></head><body>"
                                          "<video controls><source src=\"/media/film\" type=\"video/mp4\"></video>"
                                          "</body></html>",
                                          "text/html"));
        WebEngine::shared().useForThisRun(true, ytDlp);
        QVERIFY(WebEngine::shared().isReady());

        JobRunner runner(out);
        run(runner, server.base() + target, format);
        QCOMPARE(runner.jobs().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(runner.activeTasks() == 0, timeout);
        const Job *job = runner.jobs().first();
        QVERIFY2(job->phaseName() == QLatin1String("done"), qPrintable(job->phaseLabel()));
        QVERIFY2(job->title().startsWith(title), qPrintable(job->title()));
        const auto probed = probe(job->output().toLocalFile());
        QVERIFY(probed);
        QCOMPARE(probed->codec, codec);
        QCOMPARE(entries(out).size(), 1);
        QCOMPARE(entries(env->temp()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestWebEngine)
#include "tst_web_engine.moc"
