#include "support/test_env.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>
#include <QtTest>

using namespace tovel::test;

// One folder of media as people have it — tagged, with covers, lossless, surround, 24-bit, video — gathered
// into every format at its best and at 128 kb/s through the real program and the real ffmpeg. Each saved
// file must decode whole, last as long as its source, hold the codec its format promises, and keep the
// file's own title and cover.
class TestMedia : public QObject
{
    Q_OBJECT

    QTemporaryDir media;
    QHash<QString, QByteArray> sourceAudio;  // each input's decoded audio, as an MD5 line
    QHash<QString, QByteArray> sourceStream; // each input's audio stream as it is stored, as an MD5 line

    // The decoded audio's MD5, and whether anything went wrong while decoding all of it.
    static QByteArray decodedAudio(const QString &file, bool *clean)
    {
        int status = -1;
        QByteArray errors;
        const QByteArray md5
            = runProgram("ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-map", "0:a:0", "-f", "md5", "-"}, &status,
                         {}, 60'000, &errors);
        *clean = status == 0 && errors.trimmed().isEmpty();
        return md5.trimmed();
    }

    // The MD5 of the first audio stream's bytes as they are stored, not decoded.
    static QByteArray storedAudio(const QString &file)
    {
        return runProgram("ffmpeg",
                          {"-nostdin", "-v", "error", "-i", file, "-map", "0:a:0", "-c", "copy", "-f", "md5", "-"})
            .trimmed();
    }

    static QJsonObject ffprobe(const QString &file)
    {
        return QJsonDocument::fromJson(
                   runProgram("ffprobe",
                              {"-v", "error", "-print_format", "json", "-show_streams", "-show_format", file}))
            .object();
    }

    // A WAV's ID3 chunk, where a cover picture can live: the tag an MP3 made with one starts with.
    static bool addId3Chunk(const QString &wav, const QString &mp3)
    {
        const QByteArray tagged = readFile(mp3);
        if (!tagged.startsWith("ID3") || tagged.size() < 10)
            return false;
        const auto *size = reinterpret_cast<const uchar *>(tagged.constData() + 6);
        const qsizetype length = 10 + (size[0] << 21 | size[1] << 14 | size[2] << 7 | size[3]);
        QByteArray chunk = "id3 " + QByteArray(4, 0) + tagged.left(length);
        qToLittleEndian<quint32>(quint32(length), chunk.data() + 4);
        if (length % 2)
            chunk += '\0';
        QByteArray file = readFile(wav) + chunk;
        qToLittleEndian<quint32>(quint32(file.size() - 8), file.data() + 4);
        return writeFile(wav, file);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(media.isValid());
        const QString in = media.path() + "/in";
        QVERIFY(QDir().mkpath(in));
        const QStringList red{"-f", "lavfi", "-i", "color=c=red:s=16x16:d=1"};
        const QStringList cover{"-map", "0:a",   "-map",           "1:v",         "-frames:v", "1",
                                "-c:v", "mjpeg", "-disposition:v", "attached_pic"};
        const QStringList film{"-f", "lavfi", "-i", "testsrc=s=64x64:r=10:d=1", "-map", "0:a", "-map", "1:v"};
        const QList<QPair<QString, QStringList>> inputs{
            {"mp3 cover.mp3", red + cover + QStringList{"-c:a", "libmp3lame"}},
            {"wav tagged.wav", {"-c:a", "pcm_s16le"}},
            {"aiff.aiff", {"-c:a", "pcm_s16be"}},
            {"surround.flac", {"-ac", "6", "-c:a", "flac"}},
            {"deep.wav", {"-c:a", "pcm_s24le"}},
            {"m4a cover.m4a", red + cover + QStringList{"-c:a", "aac"}},
            {"book.m4b", {"-c:a", "aac", "-f", "ipod"}},
            {"h264.mp4", film + QStringList{"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"}},
            {"vp8.webm", film + QStringList{"-c:v", "libvpx", "-c:a", "libvorbis"}},
        };
        for (const auto &[name, making] : inputs) {
            const QString title = "Own " + QFileInfo(name).completeBaseName();
            QVERIFY2(makeTone(in + '/' + name, 1.0, making + QStringList{"-metadata", "title=" + title}),
                     qPrintable(name));
            bool clean = false;
            sourceAudio.insert(name, decodedAudio(in + '/' + name, &clean));
            QVERIFY(clean);
            sourceStream.insert(name, storedAudio(in + '/' + name));
        }
        // The WAV's cover rides in an ID3 chunk after its audio, which ffmpeg does not write itself.
        const QString id3 = media.path() + "/id3.mp3";
        QVERIFY(
            makeTone(id3, 0.1, red + cover + QStringList{"-c:a", "libmp3lame", "-metadata", "title=Own wav tagged"}));
        QVERIFY(addId3Chunk(in + "/wav tagged.wav", id3));
        QVERIFY(writeFile(in + "/garbage.mp3", "not audio at all"));
    }

    void everyMediumEveryFormat_data()
    {
        // clang-format off
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("quality");
        for (const char *format : {"mp3", "m4a", "wav", "flac", "mp4"})
            for (const char *quality : {"best", "128"})
                QTest::addRow("%s %s", format, quality) << format << quality;
        // clang-format on
    }
    void everyMediumEveryFormat()
    {
        QFETCH(QString, format);
        QFETCH(QString, quality);
        TestEnv env;
        const QString to = env.root() + "/saved";
        int status = -1;
        QByteArray errors;
        const QByteArray out = runProgram(
            TOVEL_BINARY, {"get", media.path() + "/in", "--format", format, "--quality", quality, "--to", to, "--json"},
            &status, {}, 120'000, &errors);
        // One JSON object a line; the last one about each job tells how it ended.
        QHash<QString, QJsonObject> ended;
        QJsonObject summary;
        for (const QByteArray &line : out.trimmed().split('\n')) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            QVERIFY2(!object.isEmpty(), line.constData());
            if (object.value("event") == "summary")
                summary = object;
            else
                ended.insert(object.value("title").toString(), object);
        }
        QCOMPARE(summary,
                 QJsonObject({{"event", "summary"},
                              {"total", 10},
                              {"done", 9},
                              {"alreadySaved", 0},
                              {"failed", 1},
                              {"cancelled", 0},
                              {"destination", to},
                              {"exitStatus", 1}}));
        QCOMPARE(status, 1);
        // What nothing reads fails in ffmpeg's own words, with no path of ours in them.
        const QString refused = ended.value("garbage").value("label").toString();
        QVERIFY2(refused.startsWith("Conversion failed. Nothing here can read that. ffmpeg exited with code 1: ")
                     && refused.contains("Invalid argument") && !refused.contains(media.path())
                     && !refused.contains(to),
                 qPrintable(refused));

        const bool lossy = format == "mp3" || format == "m4a";
        for (auto it = sourceAudio.cbegin(); it != sourceAudio.cend(); ++it) {
            const QString base = QFileInfo(it.key()).completeBaseName(), saved = to + '/' + base + '.' + format;
            const QJsonObject job = ended.value(base);
            // Saved where it was told to, which is what it says.
            QVERIFY2(job.value("phase") == "done" && job.value("output") == saved
                         && job.value("label") == "Saved to saved" && job.value("progress") == 1.0,
                     qPrintable(base + ": " + job.value("label").toString() + errors));
            bool clean = false;
            const QByteArray audio = decodedAudio(saved, &clean);
            QVERIFY2(clean, qPrintable(base));
            const QJsonObject probed = ffprobe(saved);
            const QJsonObject container = probed.value("format").toObject();
            QVERIFY2(qAbs(container.value("duration").toString().toDouble() - 1.0) < 0.1, qPrintable(base));
            QCOMPARE(container.value("tags").toObject().value("title").toString(), "Own " + base);
            QStringList audioCodecs, videoCodecs, pictures;
            qint64 audioRate = 0;
            for (const QJsonValue &value : probed.value("streams").toArray()) {
                const QJsonObject stream = value.toObject();
                const QString codec = stream.value("codec_name").toString();
                if (stream.value("codec_type") == "audio") {
                    audioCodecs << codec;
                    audioRate = stream.value("bit_rate").toString().toLongLong();
                } else if (stream.value("disposition").toObject().value("attached_pic").toInt()) {
                    pictures << codec;
                } else {
                    videoCodecs << codec;
                }
            }
            const bool film = base == "h264" || base == "vp8";
            // MP4 keeps the audio it can hold and encodes the rest as AAC; a film stays a film.
            const QString expectedAudio = format == "mp3" ? "mp3"
                : format == "m4a"                         ? "aac"
                : format == "wav"                         ? "pcm_s16le"
                : format == "flac"                        ? "flac"
                : base == "mp3 cover"                     ? "mp3"
                                                          : "aac";
            QCOMPARE(audioCodecs, QStringList{expectedAudio});
            QCOMPARE(videoCodecs, format == "mp4" && film ? QStringList{"h264"} : QStringList());
            const bool covered = base == "mp3 cover" || base == "wav tagged" || base == "m4a cover";
            QCOMPARE(pictures, covered && format != "wav" ? QStringList{"mjpeg"} : QStringList());
            // A bitrate is asked of MP3 and M4A alone; every other format keeps its audio as it was.
            // (AAC spends less than it may on a plain tone.)
            if (lossy && quality == "128")
                QVERIFY2(audioRate < 160'000 && (format == "m4a" || audioRate > 100'000),
                         qPrintable(base + QString::number(audioRate)));
            const QString extension = QFileInfo(it.key()).suffix();
            const bool same = extension == format || (format == "m4a" && extension == "m4b")
                || (format == "mp4" && base == "h264") || (format == "wav" && base == "wav tagged");
            if (same && !(lossy && quality == "128"))
                QCOMPARE(audio, it.value());
            // Audio kept as it is (16-bit WAV, FLAC, MP3, AAC) is stored as the very bytes it came in.
            if (same && !(lossy && quality == "128") && base != "deep")
                QCOMPARE(storedAudio(saved), sourceStream.value(it.key()));
        }
        QCOMPARE(entries(to).size(), 9);
        QCOMPARE(entries(env.temp()), QStringList());
        QVERIFY(!QFileInfo::exists(env.downloads()));
    }
};

QTEST_GUILESS_MAIN(TestMedia)
#include "tst_media.moc"
