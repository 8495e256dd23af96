#include "core/output_naming.h"
#include "engine/tools.h"
#include "pipeline/conversion.h"
#include "platform/leftovers.h"
#include "support/test_env.h"

#include <QtConcurrent>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

Q_DECLARE_METATYPE(tovel::MediaProbe)

class TestConversion : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

private slots:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() { env.reset(); }

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
        QTest::newRow("mp3 128, not probed") << "mp3" << "128 kbps" << MediaProbe() << "-vn -c:a libmp3lame -b:a 128k";
        QTest::newRow("mp4 of flac with a bitmap cover") << "mp4" << "320 kbps" << probed("flac", "", "bmp")
                                                         << "-map 0:a:0 -c:a aac -b:a 256k -movflags +faststart";
        QTest::newRow("mp4 of vp9") << "mp4" << "Best available" << probed("opus", "vp9") << "-c:v libx264 -c:a aac -movflags +faststart";
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
        QTest::newRow("unreadable input") << QByteArray("[mp3 @ 0x563ae063a9c0] Format mp3 detected only with low score of 1\n"
                                                        "/in/my song.mp3: Invalid argument\n")
                                          << "Invalid argument";
        QTest::newRow("encoder, then the summary") << QByteArray("[aac @ 0x1f][mp4 @ 0x2e] Too many\x07 bits\r\nConversion failed!\n\n")
                                                   << "Too many bits";
        QTest::newRow("input named inside") << QByteArray("Error opening input file /in/my song.mp3.\n")
                                            << "Error opening input file my song.mp3.";
        QTest::newRow("output named") << QByteArray("/out/.tovel-1.part.mp4: Invalid argument\n") << "Invalid argument";
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
        const QByteArray movie = "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'a.mp4':\n  Duration: N/A, bitrate: N/A\n"
                                 "  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p, 1280x720\n"
                                 "  Stream #0:1[0x2](eng): Audio: aac (LC) (mp4a / 0x6134706D), 48000 Hz, stereo\n";
        const auto film = parseStreamSummary(movie);
        QCOMPARE(film, MediaProbe({"mov,mp4,m4a,3gp,3g2,mj2", "aac", "h264", {}, {}, std::nullopt}));
        QVERIFY(copiesStreams(AudioFormat::mp4, AudioQuality::best, film)
                && !isAlreadyTheFile(AudioFormat::mp4, AudioQuality::best, film));
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
        QTest::newRow("trimmed after replacing") << QStringLiteral("\u0002 Show \n") << "Show";
        // Nothing hidden, nothing that runs into the extension, nothing invisible that reorders the name.
        QTest::newRow("dot") << "." << "Episode";
        QTest::newRow("dot dot") << ".." << "Episode";
        QTest::newRow("hidden") << ".bashrc" << "bashrc";
        QTest::newRow("trailing dot and space") << "name. " << "name";
        QTest::newRow("dots around") << " . .x. . " << "x";
        QTest::newRow("direction override") << QStringLiteral("evil\u202Egpj.mp3") << "evilgpj.mp3";
        QTest::newRow("zero width") << QStringLiteral("Zero\u200B\uFEFFWidth") << "ZeroWidth";
        QTest::newRow("long latin") << QString(400, u'a') << "";
        QTest::newRow("long japanese, three bytes each") << QString(120, QChar(0x65E5)) << "";
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
        // Each format counts on its own; a missing destination is created.
        const auto m4a = stagingOutput(AudioFormat::m4a, out);
        QCOMPARE(placeOutput(m4a.value_or(QString()), "Show", AudioFormat::m4a, out).value_or(QString()),
                 out + "/Show.m4a");
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

    // A WAV or AIFF tells its own tags from its header, wherever the chunk stands; one with ID3 tags is
    // left to ffmpeg.
    void headerTags_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("tags"); // "none": only ffmpeg can tell
        const auto le = [](quint32 n) { return QByteArray(reinterpret_cast<const char *>(&n), 4); };
        const auto be = [](quint32 n) {
            const char bytes[] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
            return QByteArray(bytes, 4);
        };
        const QByteArray fmt = "fmt " + le(16) + QByteArray(16, '\1'), data = "data" + le(4) + "abcd";
        const QByteArray info = "LIST" + le(4 + 8 + 6 + 8 + 2) + "INFO" + "INAM" + le(5) + "Song\0\0" + "IART" + le(1) + "\0\0";
        const auto riff = [&le](const QByteArray &body) { return "RIFF" + le(4 + body.size()) + "WAVE" + body; };
        QTest::newRow("WAV, tags first") << riff(fmt + info + data) << QStringList{"title"};
        QTest::newRow("WAV, tags after the sound") << riff(fmt + data + info) << QStringList{"title"};
        QTest::newRow("WAV, none") << riff(fmt + data) << QStringList();
        QTest::newRow("WAV with ID3") << riff(fmt + data + "id3 " + le(4) + "ID3\3") << QStringList{"none"};
        QTest::newRow("AIFF") << "FORM" + be(4 + 16) + "AIFF" + "NAME" + be(3) + "Ep\0\0" + "AUTH" + be(0) << QStringList{"title"};
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
};

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
