#include "core/fetcher.h"
#include "core/http.h"
#include "core/output_naming.h"
#include "engine/manifest.h"
#include "engine/tools.h"
#include "pipeline/conversion.h"
#include "pipeline/history.h"
#include "platform/leftovers.h"
#include "support/http_server.h"
#include "support/jobs.h"
#include "support/test_env.h"

#include <QtConcurrent>
#include <QtTest>

#include <sys/stat.h>

#include <numeric>

using namespace tovel;
using namespace tovel::test;
using R = HttpServer::Response;

Q_DECLARE_METATYPE(HttpServer::Response)
Q_DECLARE_METATYPE(tovel::MediaProbe)

// The steps of a job (conversion, naming, placing, tidying), and jobs from local files and from downloads:
// the lines they wait in, cancel, failures and time-outs.
class TestJobRunner : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<HttpServer> server;
    QString in;
    QString out;
    QByteArray tone;
    QHash<QString, QByteArray> versions; // a tagged MP3 episode: A, B (the same length) and C (longer)

    // The items ("<n>.wav", read where they are) the stand-in has started on, in order.
    static QList<int> started(const QString &log)
    {
        QList<int> items;
        for (const QString &line : QString::fromUtf8(readFile(log)).split(u'\n', Qt::SkipEmptyParts))
            items << QFileInfo(line).fileName().section(u'.', 0, 0).toInt();
        return items;
    }

private slots:
    void initTestCase()
    {
        TestEnv scratch;
        QVERIFY(makeTone(scratch.temp() + "/tone.wav", 0.5));
        tone = readFile(scratch.temp() + "/tone.wav");
        const QStringList mp3{"-c:a", "libmp3lame", "-b:a", "64k", "-metadata", "title=Served"};
        QVERIFY(makeTone(scratch.temp() + "/a.mp3", 4, mp3));
        QVERIFY(makeTone(scratch.temp() + "/b.mp3", 4, QStringList{"-af", "volume=0.5"} + mp3));
        QVERIFY(makeTone(scratch.temp() + "/c.mp3", 5, mp3));
        for (const QString name : {"A", "B", "C"})
            versions[name] = readFile(scratch.temp() + "/" + name.toLower() + ".mp3");
        QVERIFY(versions["A"].size() == versions["B"].size() && versions["A"] != versions["B"]);
    }
    void init()
    {
        env = std::make_unique<TestEnv>();
        server = std::make_unique<HttpServer>();
        in = env->folder("in");
        out = env->folder("out");
    }
    void cleanup()
    {
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, 60'000);
        qunsetenv("TOVEL_FFMPEG");
        network().setTransferTimeout(60'000);
        server.reset();
        env.reset();
    }

    void arguments_data()
    {
        // clang-format off
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("quality");
        QTest::addColumn<MediaProbe>("probe"); // no duration: the input could not be probed
        QTest::addColumn<QString>("middle");
        // What the media run cannot tell apart: the bitrate "best" chooses for AAC (half of it for one
        // channel), a probe-less input encoded as always, a bitmap cover MP4 cannot hold, VP9 re-encoded.
        const auto probed = [](const QString &audio, const QString &video = {}, const QString &picture = {}) {
            return MediaProbe{.container = {}, .audioCodec = audio, .videoCodec = video,
                              .pictures = picture.isEmpty() ? QList<int>() : QList<int>{1}, .tags = {}, .duration = 60.0,
                              .pictureCodecs = picture.isEmpty() ? QStringList() : QStringList{picture}};
        };
        MediaProbe mono = probed("mp3");
        mono.mono = true;
        QTest::newRow("m4a best") << "m4a" << "Best available" << MediaProbe() << "-vn -c:a aac -b:a 256k -movflags +faststart";
        QTest::newRow("m4a best of mono mp3") << "m4a" << "Best available" << mono << "-vn -c:a aac -b:a 128k -movflags +faststart";
        QTest::newRow("mp4 of flac with a bitmap cover") << "mp4" << "320 kbps" << probed("flac", "", "bmp")
                                                         << "-map 0:a:0 -c:a aac -b:a 256k -movflags +faststart";
        // clang-format on
    }
    void arguments()
    {
        QFETCH(QString, format);
        QFETCH(QString, quality);
        QFETCH(MediaProbe, probe);
        QFETCH(QString, middle);
        const QString in = "/tmp/in put.wav", out = "/out/-name.mp3";
        QCOMPARE(ffmpegArguments(*audioFormatFromRaw(format), *audioQualityFromRaw(quality), in, out,
                                 probe.duration ? std::optional(probe) : std::nullopt),
                 QStringList({"-nostdin", "-nostats", "-progress", "pipe:1", "-y"}) + mediaInputOptions()
                     + QStringList({"-i", in}) + middle.split(u' ') + QStringList({"-map_metadata", "0", out}));
    }

    // Why ffmpeg failed, in its own words, without its noise or our paths.
    void failureReasons_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QString>("reason");
        QTest::newRow("encoder, then the summary") << QByteArray("[aac @ 0x1f][mp4 @ 0x2e] Too many\x07 bits\r\nConversion failed!\n\n")
                                                   << "Too many bits";
        QTest::newRow("input named inside") << QByteArray("Error opening input file /in/my song.mp3.\n")
                                            << "Error opening input file my song.mp3.";
        QTest::newRow("nothing said") << QByteArray("\r\n \n") << "";
        // clang-format on
    }
    void failureReasons()
    {
        QFETCH(QByteArray, tail);
        QFETCH(QString, reason);
        QCOMPARE(ffmpegReason(tail, "/in/my song.mp3", "/out/.tovel-1.part.mp4"), reason);
    }

    // ffmpeg's own summary of real inputs: codecs, cover pictures and length.
    void streamSummaries()
    {
        const QByteArray summary = "Input #0, mp3, from 'show.mp3':\n  Metadata:\n    title : Ep\n"
                                   "  Duration: 01:02:03.50, start: 0.025057, bitrate: 128 kb/s\n"
                                   "  Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s\n"
                                   "  Stream #0:1: Video: png, rgba(pc), 500x500, 90k tbr, 90k tbn (attached pic)\n"
                                   "    Metadata:\n      comment : Cover (front)\n";
        const auto show = parseStreamSummary(summary);
        QCOMPARE(show, MediaProbe({"mp3", "mp3", "", {1}, {"title"}, 3723.5, false, false, false, {"png"}}));
        // That one already is an MP3 file as wanted, but not one whose show the source names while the file
        // does not (another bitrate or format shows in the media run).
        QVERIFY(isAlreadyTheFile(AudioFormat::mp3, AudioQuality::best, show, "Other title",
                                 {"", "", "2024-01-02", "guid", std::nullopt}));
        QVERIFY(!isAlreadyTheFile(AudioFormat::mp3, AudioQuality::best, show, "Ep",
                                  {"The Show", "", "", "", std::nullopt}));
        // The file's own title stays; what it lacks comes from the source.
        QCOMPARE(tagsToWrite("Ep 1", {"The Show", "Host", "", "urn:1", std::nullopt}, show),
                 (QList<QPair<QString, QString>>{{"album", "The Show"}, {"artist", "Host"}, {"comment", "urn:1"}}));
        QCOMPARE(parseStreamSummary("garbage.mp3: Invalid data found when processing input\n"), std::nullopt);
    }

    void names_data()
    {
        // clang-format off
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("base"); // empty: a long title, cut to fit
        QTest::newRow("slash") << "AC/DC Live" << "AC-DC Live";
        QTest::newRow("blanks") << " \t\n " << "Audio";
        QTest::newRow("control characters") << QStringLiteral("A\u0001B\u007fC\u0085D\tE") << "A B C D E";
        // Nothing hidden, nothing that runs into the extension, nothing invisible that reorders the name.
        QTest::newRow("dot") << "." << "Episode";
        QTest::newRow("hidden") << ".bashrc" << "bashrc";
        QTest::newRow("trailing dot and space") << "name. " << "name";
        QTest::newRow("direction override") << QStringLiteral("evil\u202Egpj.mp3") << "evilgpj.mp3";
        QTest::newRow("long emoji, four bytes each")
            << QString::fromUcs4(std::u32string(80, U'\U0001F3B5').c_str(), 80) << "";
        // clang-format on
    }
    void names()
    {
        QFETCH(QString, title);
        QFETCH(QString, base);
        // "Audio" is the fallback where a source names none, "Episode" that of a feed.
        if (base == "Audio" || base == "Episode")
            QCOMPARE(outputBaseName(title, base), base);
        else
            QCOMPARE(outputBaseName(title), base.isEmpty() ? title : base);
        const QString destination = env->folder("out");
        for (int i = 1; i <= 3; ++i) {
            const auto staged = stagingOutput(AudioFormat::flac, destination);
            QVERIFY(staged);
            const auto path
                = placeOutput(*staged, title, AudioFormat::flac, destination, base == "Episode" ? base : "Audio");
            QVERIFY2(path, qPrintable(path ? QString() : path.error().description()));
            const QString name = QFileInfo(*path).fileName();
            const QString suffix = i == 1 ? QStringLiteral(".flac") : QStringLiteral(" %1.flac").arg(i);
            QVERIFY(name.toUtf8().size() <= 255 && name.endsWith(suffix));
            // Whole characters only: the name survives a round trip through UTF-8.
            QCOMPARE(QString::fromUtf8(name.toUtf8()), name);
            const QString kept = name.chopped(suffix.size());
            QVERIFY(base.isEmpty() ? title.startsWith(kept) && kept.size() > 50 : kept == base);
        }
    }

    void placementsNeverCollide()
    {
        // Many finished files with one title at once, beside the user's own files: each gets a name of
        // its own, and nothing of the user's is replaced.
        const QString out = env->folder("out");
        writeFile(out + "/Show.mp3", "mine");
        writeFile(out + "/Show 2.mp3", "mine too");
        QStringList staged;
        for (int i = 0; i < 64; ++i) {
            const auto path = stagingOutput(AudioFormat::mp3, out);
            QVERIFY(path && QFileInfo(*path).fileName().startsWith(".tovel-"));
            writeFile(*path, QByteArray::number(i));
            staged << *path;
        }
        QList<QFuture<Result<QString>>> futures;
        for (const QString &path : staged)
            futures << QtConcurrent::run([out, path] { return placeOutput(path, "Show", AudioFormat::mp3, out); });
        QStringList expected{"Show 2.mp3", "Show.mp3"};
        for (int i = 3; i <= 66; ++i) {
            QVERIFY(futures.at(i - 3).result());
            expected << QStringLiteral("Show %1.mp3").arg(i);
        }
        expected.sort();
        QCOMPARE(entries(out), expected);
        QCOMPARE(readFile(out + "/Show.mp3"), QByteArray("mine"));
        QCOMPARE(readFile(out + "/Show 2.mp3"), QByteArray("mine too"));
        // A missing destination is created.
        QVERIFY(stagingOutput(AudioFormat::wav, out + "/new/deeper"));
    }

    // What a Tovel that no longer runs left goes; a running one's files and anything not exactly of our
    // own naming stay.
    void leftovers()
    {
        const QString folder = env->folder("left");
        const QString uuid = "-0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0";
        const QString me = paths::ownerStamp(), pid = me.section(u'.', 0, 0);
        const QStringList gone{".tovel-999999" + uuid + ".part.mp3", "tovel-999999.5" + uuid + ".download",
                               "tovel-" + pid + ".1" + uuid + ".download", "tovel-999999" + uuid};
        const QStringList kept{".tovel-" + me + uuid + ".part.mp3",
                               "tovel-" + me + uuid + ".download",
                               "tovel-notes.txt",
                               ".tovel-999999" + uuid + ".part.MP3",
                               "Show.mp3",
                               ".tovel-999999" + uuid + ".part.txt~",
                               "tovel-999999" + uuid + ".part.mp3"};
        for (const QString &name : gone + kept)
            QVERIFY(name == gone.last() ? QDir().mkpath(folder + "/" + name) : writeFile(folder + "/" + name, "x"));
        QVERIFY(QFile::link(folder + "/Show.mp3", folder + "/tovel-999998" + uuid + ".download"));
        paths::removeLeftovers({folder});
        QStringList expected = kept + QStringList{"tovel-999998" + uuid + ".download"};
        expected.sort();
        QCOMPARE(entries(folder), expected);
    }

    // A WAV tells its own tags from its header, wherever the chunk stands; one with ID3 tags is left to
    // ffmpeg (an AIFF's, and a WAV's first, are read in the media run).
    void headerTags_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("tags"); // "none": only ffmpeg can tell
        const auto le = [](quint32 n) { return QByteArray(reinterpret_cast<const char *>(&n), 4); };
        const QByteArray fmt = "fmt " + le(16) + QByteArray(16, '\1'), data = "data" + le(4) + "abcd";
        const QByteArray info = "LIST" + le(4 + 8 + 6 + 8 + 2) + "INFO" + "INAM" + le(5) + "Song\0\0" + "IART" + le(1) + "\0\0";
        const auto riff = [&le](const QByteArray &body) { return "RIFF" + le(4 + body.size()) + "WAVE" + body; };
        QTest::newRow("WAV, tags after the sound") << riff(fmt + data + info) << QStringList{"title"};
        QTest::newRow("WAV with ID3") << riff(fmt + data + "id3 " + le(4) + "ID3\3") << QStringList{"none"};
        QTest::newRow("not a WAV") << QByteArray("ID3\3\0\0\0\0\0\0") << QStringList{"none"};
        // clang-format on
    }
    void headerTags()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, tags);
        const QString path = env->temp() + "/in";
        QVERIFY(writeFile(path, file));
        QCOMPARE(tovel::headerTags(path).value_or(QStringList{"none"}), tags);
    }

    // A full disk is named as such, not as an input nothing could read; a missing ffmpeg is named too.
    void conversionFails()
    {
        const QString in = env->temp() + "/in.wav", out = env->folder("out") + "/full.mp3";
        QVERIFY(makeTone(in, 1.0) && QFile::link("/dev/full", out));
        QStringList said;
        for (const bool missing : {false, true}) {
            if (missing)
                qputenv("TOVEL_FFMPEG", "");
            const auto result
                = QCoro::waitFor(convert(in, out, AudioFormat::mp3, AudioQuality::best, std::nullopt, {}, {}));
            said << (result ? QString() : result.error().description());
        }
        qunsetenv("TOVEL_FFMPEG");
        QCOMPARE(said,
                 QStringList({"There is no space left in the destination folder.",
                              "Nothing here can read that. ffmpeg is missing."}));
    }

    // Inputs that never end or never open fail at once, leaving nothing; a name at the length limit still converts.
    void oddLocalInputs_data()
    {
        // clang-format off
        QTest::addColumn<QString>("name"); // inside the input folder, or an absolute path
        QTest::addColumn<QString>("label");
        const QString notAFile = "Could not read that file. It is not a regular file.";
        QTest::newRow("pipe") << "pipe.mp3" << notAFile;
        QTest::newRow("dangling link") << "dangling.wav" << "Could not read that file. ";
        QTest::newRow("long name") << QString(240, u'n') + ".wav" << "Saved " + QString(240, u'n') + ".mp3";
        // clang-format on
    }
    void oddLocalInputs()
    {
        QFETCH(QString, name);
        QFETCH(QString, label);
        const QString path = name.startsWith('/') ? name : in + '/' + name;
        if (name == "dangling.wav")
            QVERIFY(QFile::link(in + "/gone.wav", path));
        else if (name.endsWith(".wav"))
            QVERIFY(makeTone(path));
        else if (!name.startsWith('/'))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        JobRunner runner(out);
        const QString got = gather(runner, path);
        QVERIFY2(got.startsWith(label), qPrintable(got));
        QCOMPARE(entries(out).size() + entries(env->temp()).size(), label.startsWith("Saved") ? 1 : 0);
    }

    void lineCancelAndDiscard()
    {
        // Conversions beyond the slots wait in line, served in the order their jobs were created (the
        // first slots go to whichever input was described first). A job cancelled in line never starts;
        // the slot a cancelled conversion frees goes to the next one wanted.
        // A stand-in ffmpeg that logs "start <input>" and then runs until it is ended.
        const QString log = env->root() + "/ffmpeg.log";
        QVERIFY(writeSlowFFmpeg(env->root() + "/ffmpeg", log));
        qputenv("TOVEL_FFMPEG", QFile::encodeName(env->root() + "/ffmpeg"));
        const int capacity = 3;
        auto lines = std::make_shared<GatherLines>(capacity);
        for (int i = 1; i <= capacity + 3; ++i)
            writeFile(in + QStringLiteral("/%1.wav").arg(i), "x");
        auto runner = std::make_unique<JobRunner>(JobRunner::Setup{.destination = out, .lines = lines});
        start(*runner, in);
        // Jobs are listed newest first: item i is jobs()[size - i].
        const auto item = [&runner](int i) { return runner->jobs().at(runner->jobs().size() - i); };
        const auto queued = [&] {
            QList<int> waiting;
            for (int i = 1; i <= capacity + 3; ++i)
                if (item(i)->statusWord() == QLatin1String("Queued"))
                    waiting << i;
            return waiting;
        };
        QTRY_COMPARE_WITH_TIMEOUT(queued().size(), 3, 60'000);
        QTRY_COMPARE_WITH_TIMEOUT(started(log).size(), capacity, 60'000);
        const QList<int> waiting = queued();
        QList<int> running = started(log);
        std::sort(running.begin(), running.end());

        Job *converting = item(running.first());
        Job *inLine = item(waiting.first()); // the first one in line
        runner->cancel(inLine);
        runner->cancel(converting);
        QTRY_COMPARE_WITH_TIMEOUT(started(log).size(), capacity + 1, 60'000);
        QCOMPARE(started(log).last(), waiting.at(1));

        // A discarded runner's tasks wind down on their own, converting or in line: ffmpeg ended, the line
        // left, temporary copies and reservations removed, the user's files kept.
        runner.reset();
        QTRY_COMPARE_WITH_TIMEOUT(JobRunner::liveTasks(), 0, 60'000);
        QCOMPARE(lines->conversions().inUse(), 0);
        QCOMPARE(entries(out) + entries(env->temp()), QStringList());
        QCOMPARE(entries(in).size(), capacity + 3);
    }

    // An ffmpeg that misbehaves never produces a saved file: whatever it does after reading a good input,
    // the job fails with a sentence and the folder holds nothing of it, under any name.
    void misbehavingFFmpeg_data()
    {
        // clang-format off
        QTest::addColumn<QString>("conversion"); // what the stand-in does instead of converting ($out: its output)
        QTest::addColumn<QString>("label");
        QTest::newRow("exits 0, leaves it empty") << "exit 0" << "Conversion failed. ffmpeg ended without writing the file.";
        QTest::newRow("exits 0, nothing encoded")
            << "echo ID3tags > \"$out\"; echo 'Output file is empty, nothing was encoded' >&2; exit 0"
            << "Conversion failed. Nothing here can read that. ffmpeg found no audio to write.";
        QTest::newRow("hangs") << "exec sleep 600" << "Conversion failed. ffmpeg made no progress for 3 seconds and was stopped.";
        QTest::newRow("crashes") << "kill -SEGV $$" << "Conversion failed. Nothing here can read that. ffmpeg exited with code 11.";
        QTest::newRow("writes something else")
            << "ffmpeg -v error -y -f lavfi -i sine=d=9 -c:a libmp3lame \"$out\"; echo out_time_us=9000000; exit 0"
            << "Conversion failed. The file ffmpeg wrote is longer than its source.";
        // clang-format on
    }
    void misbehavingFFmpeg()
    {
        QFETCH(QString, conversion);
        QFETCH(QString, label);
        const QString script = env->root() + "/ffmpeg";
        // It cannot describe inputs, and converts as the row says.
        QVERIFY(writeScript(script,
                            "#!/bin/sh\ncase \"$*\" in *-progress*) ;; *) exit 1 ;; esac\n"
                            "for a; do out=$a; done\n"
                                + conversion + "\n"));
        qputenv("TOVEL_FFMPEG", script.toUtf8());
        QVERIFY(makeTone(in + "/Tone.wav", 4.0));
        JobRunner runner({.destination = out, .timings = {.conversionStall = std::chrono::seconds(3)}});
        QCOMPARE(gather(runner, in + "/Tone.wav"), label);
        QCOMPARE(entries(out) + entries(in), QStringList{"Tone.wav"});
    }

    // A local file shorter than its header says is saved, and the user told so.
    void sourceShorterThanItSays()
    {
        QVERIFY(makeTone(env->root() + "/whole.wav", 6.0));
        const QByteArray whole = readFile(env->root() + "/whole.wav");
        writeFile(in + "/Half.wav", whole.left(whole.size() / 2));
        JobRunner runner(out);
        QCOMPARE(gather(runner, in + "/Half.wav"), "Saved Half.mp3");
        const QString warning = runner.jobs().first()->warning();
        QVERIFY2(
            QRegularExpression("^The source holds only [23] s of the 6 s it announces.$").match(warning).hasMatch(),
            qPrintable(warning));
    }

    // A request that cannot start makes no job and says why.
    void withoutFFmpeg()
    {
        qputenv("TOVEL_FFMPEG", "");
        JobRunner runner(out);
        start(runner, in);
        QCOMPARE(runner.lastErrorText(), "ffmpeg is not installed. Tovel needs it to convert audio.");
        QCOMPARE(runner.jobs().size(), 0);
    }

    void directLinkEndToEnd_data()
    {
        // clang-format off
        QTest::addColumn<bool>("sendLength");
        QTest::newRow("with a length") << true;
        QTest::newRow("without a length") << false;
        // clang-format on
    }
    void directLinkEndToEnd()
    {
        QFETCH(bool, sendLength);
        server->route("/media/Episode%20Twelve.wav",
                      {.body = tone, .sendLength = sendLength, .chunkSize = 8 * 1024, .chunkDelayMs = 25});
        JobRunner runner(out);
        const PhaseLog log(runner);
        start(runner, server->base() + "/media/Episode%20Twelve.wav?x=1");
        QVERIFY(settle(runner));
        QCOMPARE(summary(runner) + " | " + log.phases.join(' '), "Saved Episode Twelve.mp3 | fetching converting done");
        QCOMPARE(probe(out + "/Episode Twelve.mp3").value_or(Probe()).codec, "mp3");
        // The request carried the manifest's user agent.
        QCOMPARE(server->requests().value(0).headers.value("user-agent"),
                 ManifestStore::shared().manifest().userAgent.toUtf8());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    void failuresLeaveNothing()
    {
        // A stalled or a refused connection fails after its last try (an error status: see resumes).
        server->route("/stall.mp3", {.stall = true});
        network().setTransferTimeout(300);
        JobRunner runner({.destination = out, .timings = {.retryWaits = {0, 0, 0}}});
        start(runner, server->base() + "/stall.mp3");
        start(runner, "http://127.0.0.1:1/closed.mp3");
        QVERIFY(settle(runner));
        for (const Job *job : runner.jobs())
            QVERIFY2(job->phaseLabel().startsWith("Fetch failed. ") && job->progress() == 0,
                     qPrintable(job->phaseLabel()));
        QCOMPARE(entries(out) + entries(env->temp()), QStringList());
    }

    // What a server may send that must not become a file: the partial file goes, whatever the reason.
    void fetchRefuses_data()
    {
        // clang-format off
        QTest::addColumn<HttpServer::Response>("response");
        QTest::addColumn<qint64>("limit"); // the most the fetch may take; 0: no limit
        QTest::addColumn<QString>("error"); // empty: fetched as sent
        const QByteArray big(300 * 1024, 'x');
        QTest::newRow("500 with a body") << R{.status = 500, .body = tone} << qint64(0) << "The server answered 500 Internal Server Error.";
        QTest::newRow("more than the disk holds")
            << R{.body = QByteArray(4096, 'x'), .headers = {{"Content-Length", "1000000000000000"}}, .sendLength = false,
                 .chunkSize = 1024, .chunkDelayMs = 200}
            << qint64(0) << "The temporary folder TEMP is nearly full: at least ";
        // A 1 MB gzip body that unpacks to far more: saved as the bytes it is.
        QTest::newRow("compressed")
            << R{.body = QByteArray("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10) + QByteArray(1 << 20, '\x01'),
                 .headers = {{"Content-Encoding", "gzip"}}} << qint64(0) << QString();
        // A download held to a size gives up as soon as the body says, or turns out, to be longer.
        QTest::newRow("over its limit, announced") << R{.body = big} << qint64(100 * 1024) << "The file is larger than 102400 bytes.";
        QTest::newRow("over its limit, unannounced") << R{.body = big, .sendLength = false} << qint64(100 * 1024)
                                                     << "The file is larger than 102400 bytes.";
        QTest::newRow("exactly its limit") << R{.body = big, .sendLength = false} << qint64(300 * 1024) << QString();
        // clang-format on
    }
    void fetchRefuses()
    {
        QFETCH(HttpServer::Response, response);
        QFETCH(qint64, limit);
        QFETCH(QString, error);
        server->route("/file.mp3", response);
        Fetcher fetcher;
        fetcher.setStallWindow(std::chrono::seconds(2));
        const Result<QString> fetched = QCoro::waitFor(
            fetcher.fetch(server->url("/file.mp3"), "UA", {}, limit ? std::optional(limit) : std::nullopt));
        const QString description = fetched ? QString() : fetched.error().description();
        QVERIFY2(error.isEmpty() ? !!fetched : description.startsWith(error.replace("TEMP", env->temp())),
                 qPrintable(description));
        if (fetched) { // as sent, for nobody but the user, asked uncompressed
            QVERIFY(readFile(*fetched) == response.body && !(QFile::permissions(*fetched) & 0x00FF));
            QCOMPARE(server->requests().first().headers.value("accept-encoding"), "identity");
            QFile::remove(*fetched);
        }
        // A download that stalled may be tried again: what arrived is kept for that try (it has a validator).
        QCOMPARE(!fetcher.partial().isEmpty(), error.startsWith("The download stalled"));
        QFile::remove(fetcher.partial());
        QCOMPARE(entries(env->temp()), QStringList());
    }

    // A download that is only a playlist of the user's own file is not read as media.
    void referencesAreNotFollowed()
    {
        const QString song = env->home() + "/song.mp3";
        QVERIFY(makeTone(song));
        server->serve("/evil.mp3",
                      "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nfile://" + song.toUtf8() + "\n#EXT-X-ENDLIST\n");
        JobRunner runner(out);
        const QString got = gather(runner, server->base() + "/evil.mp3");
        QVERIFY2(got.startsWith("Conversion failed. Nothing here can read that."), qPrintable(got));
        QCOMPARE(entries(out) + entries(env->temp()), QStringList());
    }

    // Stopping a gathering while its source is still being read ends the request too, quietly.
    void resolutionIsCancelled()
    {
        server->route("/feed.xml", {.stall = true});
        for (const bool discard : {false, true}) {
            auto runner = std::make_unique<JobRunner>(out);
            QCoro::Task<void> running
                = runner->run(server->base() + "/feed.xml", AudioFormat::mp3, AudioQuality::best, 100);
            QTRY_COMPARE(server->openRequests(), 1);
            if (discard)
                runner.reset();
            else
                runner->cancelAll();
            QTRY_VERIFY(running.isReady());
            QTRY_COMPARE(server->openRequests(), 0);
            QVERIFY(!runner || !runner->lastError());
        }
    }

    // Downloads that break off or meet a passing error are tried again, resuming where the server allows.
    // Whatever a server does to a download that breaks off and resumes, the saved file is exactly the
    // file the server now holds (an MP3 asked for as MP3 is the very file served), or the job failed and
    // left nothing, not even a line in the history.
    void resumes_data()
    {
        // clang-format off
        QTest::addColumn<QList<HttpServer::Response>>("turns");
        QTest::addColumn<QString>("expected"); // the version saved: "A", "B", "C"; else how the job fails
        QTest::addColumn<QStringList>("ranges"); // when given, the Range header of each try
        const QByteArray A = versions["A"], tagA = "\"a\"";
        const qint64 half = A.size() / 2;
        const R a{.body = A, .ranges = true, .etag = tagA}, plain{.body = A, .etag = tagA};
        const R cut{.body = A, .dropAfter = half, .ranges = true, .etag = tagA};
        const R b{.body = versions["B"], .ranges = true, .etag = "\"b\""}, busy{.status = 503, .headers = {{"Retry-After", "0"}}};
        const R noLength{.body = A, .sendLength = false, .dropAfter = half};
        const QString rest = "bytes=" + QString::number(half) + "-";
        QTest::newRow("cut, then resumed") << QList{cut, a} << "A" << QStringList{"", rest};
        QTest::newRow("503, then served") << QList{busy, plain} << "A" << QStringList{"", ""};
        QTest::newRow("404 is not tried again") << QList{R{.status = 404}} << "Fetch failed. The server answered 404 Not Found."
                                                << QStringList{""};
        QTest::newRow("four tries at most") << QList{busy} << "Fetch failed. The server answered 503 Service Unavailable."
                                            << QStringList{"", "", "", ""};
        QTest::newRow("changed, same length") << QList{cut, b} << "B" << QStringList();
        QTest::newRow("changed, If-Range ignored") << QList{cut, R{.body = b.body, .ranges = true, .etag = "\"b\"", .ignoresIfRange = true}}
                                                   << "B" << QStringList();
        // A server that keeps the tag of another file.
        QTest::newRow("changed, other length, same tag")
            << QList{cut, R{.body = versions["C"], .ranges = true, .etag = tagA, .ignoresIfRange = true}} << "C" << QStringList();
        QTest::newRow("rest sent with no validator") << QList{cut, R{.body = b.body, .ranges = true, .ignoresIfRange = true}}
                                                     << "B" << QStringList();
        QTest::newRow("200 to a resume") << QList{cut, plain} << "A" << QStringList();
        QTest::newRow("wrong start") << QList{cut, R{.body = A, .ranges = true, .etag = tagA, .rangeShift = -100}} << "A" << QStringList();
        QTest::newRow("wrong total") << QList{cut, R{.body = A, .ranges = true, .etag = tagA, .statedTotal = A.size() + 7}}
                                     << "A" << QStringList();
        QTest::newRow("short 206, then the rest") << QList{cut, R{.body = A, .ranges = true, .etag = tagA, .rangeBytes = 1000}, a}
                                                  << "A" << QStringList();
        QTest::newRow("cut chunked body") << QList{R{.body = A, .dropAfter = half, .etag = tagA, .chunked = true}, a} << "A" << QStringList();
        QTest::newRow("416 after a full body")
            << QList{R{.body = A, .dropAfter = A.size(), .etag = tagA, .chunked = true},
                     R{.status = 416, .headers = {{"Content-Range", "bytes */" + QByteArray::number(A.size())}}}}
            << "A" << QStringList();
        QTest::newRow("cut with no length, every time") << QList{noLength}
            << "Fetch failed. The download kept ending early. The source holds only " << QStringList();
        QTest::newRow("dripping") << QList{R{.body = A, .chunkSize = 1, .chunkDelayMs = 100}}
                                  << "Fetch failed. The download stalled: less than 1 KiB arrived in 1 seconds." << QStringList();
        // clang-format on
    }
    void resumes()
    {
        QFETCH(QList<HttpServer::Response>, turns);
        QFETCH(QString, expected);
        QFETCH(QStringList, ranges);
        server->routeInTurn("/ep.mp3", turns);
        const QString recorded = env->root() + "/history.sqlite";
        JobRunner runner({.destination = out,
                          .history = std::make_shared<History>(recorded),
                          .timings = {.retryWaits = {0, 0, 0}, .downloadStall = std::chrono::seconds(1)}});
        const PhaseLog log(runner);
        const QString got = gather(runner, server->base() + "/ep.mp3");
        const bool saved = expected.size() == 1;
        QVERIFY2(saved ? got == "Saved ep.mp3" && readFile(out + "/ep.mp3") == versions[expected]
                       : got.startsWith(expected),
                 qPrintable(got));
        QCOMPARE(
            QList<qsizetype>({entries(out).size(), History::sources(recorded).size(), entries(env->temp()).size()}),
            QList<qsizetype>({saved, saved, 0}));
        QStringList sent;
        for (const HttpServer::Request &request : server->requests()) {
            sent << QString::fromLatin1(request.headers.value("range"));
            if (request.headers.contains("range")) // every resume names the version it began with
                QCOMPARE(request.headers.value("if-range"), "\"a\"");
        }
        if (ranges.isEmpty())
            return;
        // The network layer may resend a request cut short once on its own, before our next try.
        QVERIFY2(sent.size() >= ranges.size() && sent.size() <= ranges.size() + 1 && sent.first() == ranges.first()
                     && sent.last() == ranges.last(),
                 qPrintable(sent.join(" | ")));
        QCOMPARE(log.phases.count("retrying"), ranges.size() - 1);
    }

    // What the archive or Commons lists for a file is what must arrive: a file that differs is fetched
    // once more from the start, then given up with nothing saved.
    void publishersLists_data()
    {
        // clang-format off
        QTest::addColumn<bool>("archive");
        QTest::addColumn<QString>("listed"); // JSON members beside the file's address
        QTest::addColumn<QString>("error");  // empty: saved
        const QByteArray &a = versions["A"];
        const QString md5 = QCryptographicHash::hash(a, QCryptographicHash::Md5).toHex();
        const QString sha1 = QCryptographicHash::hash(a, QCryptographicHash::Sha1).toHex();
        const QString size = QString::number(a.size());
        const QString archiveSays = "Fetch failed. The file did not match what the Internet Archive lists for it.";
        const QString commonsSays = "Fetch failed. The file did not match what Wikimedia Commons lists for it.";
        QTest::newRow("archive, all match") << true << "'md5':'" + md5 + "','sha1':'" + sha1 + "','size':'" + size + "'" << "";
        QTest::newRow("archive, md5 differs") << true << "'md5':'" + QString(32, u'0') + "','size':'" + size + "'" << archiveSays;
        QTest::newRow("commons, all match") << false << "'sha1':'" + sha1.toUpper() + "','size':" + size << "";
        QTest::newRow("commons, sha1 differs") << false << "'sha1':'" + QString(40, u'f') + "'" << commonsSays;
        // clang-format on
    }
    void publishersLists()
    {
        QFETCH(bool, archive);
        QFETCH(QString, listed);
        QFETCH(QString, error);
        QString answer = archive ? "{'files':[{'name':'ep.mp3'," + listed + "}]}"
                                 : "{'query':{'pages':{'1':{'imageinfo':[{'url':'" + server->base()
                + "/download/ident/ep.mp3'," + listed + "}]}}}}";
        server->serve(archive ? "/metadata/ident" : "/w/api.php", answer.replace(u'\'', u'"').toUtf8());
        server->serve("/download/ident/ep.mp3", versions["A"]);
        qputenv(archive ? "TOVEL_ARCHIVE_BASE" : "TOVEL_COMMONS_BASE", server->base().toUtf8());
        JobRunner runner({.destination = out, .timings = {.retryWaits = {0, 0, 0}}});
        start(runner, archive ? "https://archive.org/details/ident" : "https://commons.wikimedia.org/wiki/File:ep.mp3");
        qunsetenv("TOVEL_ARCHIVE_BASE");
        qunsetenv("TOVEL_COMMONS_BASE");
        QVERIFY(settle(runner));
        QCOMPARE(summary(runner), error.isEmpty() ? "Saved ep.mp3" : error);
        QCOMPARE(entries(out), error.isEmpty() ? QStringList{"ep.mp3"} : QStringList());
        QCOMPARE(server->asked("/download/ident/ep.mp3"), error.isEmpty() ? 1 : 2);
        QCOMPARE(entries(env->temp()), QStringList());
    }

    // The episodes of a show share its picture: it is fetched once, and one that cannot be used is left
    // out rather than failing them.
    void aSharedCoverFetchedOnceAndDroppedWhenUnusable()
    {
        QString feed = "<rss xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\"><channel><title>Show</title>"
                       "<itunes:image href=\""
            + server->base() + "/cover.jpg\"/>";
        for (const QString name : {"One", "Two", "Three"}) {
            feed += "<item><title>" + name + "</title><enclosure type=\"audio/wav\" url=\"" + server->base() + "/"
                + name + ".wav\"/></item>";
            server->serve("/" + name.toUtf8() + ".wav", tone);
        }
        server->serve("/feed.xml", (feed + "</channel></rss>").toUtf8());
        server->serve("/cover.jpg", QByteArray("\xFF\xD8\xFF\xE0 not really a picture"));
        JobRunner runner(out);
        QCOMPARE(gather(runner, server->base() + "/feed.xml"), "Saved Three.mp3 | Saved Two.mp3 | Saved One.mp3");
        QCOMPARE(server->asked("/cover.jpg"), 1);
        QCOMPARE(entries(env->temp()), QStringList());
    }

    // Cancel works while a job waits to try again.
    void cancelWhileWaitingToRetry()
    {
        server->route("/ep.wav", {.status = 503, .headers = {{"Retry-After", "60"}}});
        JobRunner runner(out);
        start(runner, server->base() + "/ep.wav");
        Job *job = runner.jobs().first();
        QTRY_COMPARE(job->phaseName(), "retrying");
        runner.cancel(job);
        QVERIFY(QTest::qWaitFor([&runner] { return runner.activeTasks() == 0; }, 10'000));
        QCOMPARE(job->phaseName(), "cancelled");
        QCOMPARE(server->requests().size(), 1);
    }

    void sixDownloadsPerHostAndCancel()
    {
        // Each answer is held back long enough for the line to be seen whole; the first one drips for minutes.
        const R slow{.body = tone, .delayMs = 1500};
        server->route("/ep1.wav", {.generatedSize = qint64(1) << 30, .chunkSize = 64 * 1024, .chunkDelayMs = 20});
        for (int i = 2; i <= 9; ++i)
            server->route(QStringLiteral("/ep%1.wav").arg(i).toUtf8(), slow);
        HttpServer other;
        other.route("/other.wav", slow);

        JobRunner runner(out);
        for (int i = 1; i <= 9; ++i)
            start(runner, server->base() + QStringLiteral("/ep%1.wav").arg(i));
        // Another host does not wait behind the first one's line ("localhost" is a host of its own).
        start(runner, other.base().replace("127.0.0.1", "localhost") + "/other.wav");
        Job *ninth = runner.jobs().at(1), *first = runner.jobs().last();
        const auto inPhase
            = [&runner](const QString &phase) { return std::ranges::count(runner.jobs(), phase, &Job::phaseName); };
        // The network layer holds back a seventh request on its own; the jobs in line show the limit is ours.
        QTRY_COMPARE_WITH_TIMEOUT(server->openRequests(), 6, 60'000);
        QCOMPARE(inPhase("waiting"), 3);
        QTRY_COMPARE_WITH_TIMEOUT(other.requests().size(), 1, 60'000);
        // A job cancelled while in line never sends its request.
        runner.cancel(ninth);
        QTRY_COMPARE_WITH_TIMEOUT(inPhase("done"), 8, 60'000);
        QCOMPARE(QList<qsizetype>({server->mostConcurrent(), server->requests().size()}), QList<qsizetype>({6, 8}));
        // The one still downloading is cancelled: it leaves no part behind.
        runner.cancel(first);
        QVERIFY(settle(runner));
        QVERIFY(first->phaseName() == "cancelled" && first->progress() < 0.7);
        QCOMPARE(entries(out).size(), 8);
        QCOMPARE(entries(env->temp()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestJobRunner)
#include "tst_job_runner.moc"
