#include "pipeline/conversion.h"
#include "core/output_naming.h"
#include "engine/tools.h"
#include "support/test_env.h"

#include <QtConcurrent>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

class TestConversion : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

private slots:
    void init() { env = std::make_unique<TestEnv>(); }
    void cleanup() { env.reset(); }

    void arguments_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("quality");
        QTest::addColumn<QString>("middle");
        // Only mp3 and m4a take a quality; the others ignore it.
        QTest::newRow("mp3 best") << "mp3" << "Best available" << "-vn -c:a libmp3lame -q:a 0";
        QTest::newRow("mp3 128") << "mp3" << "128 kbps" << "-vn -c:a libmp3lame -b:a 128k";
        QTest::newRow("m4a best") << "m4a" << "Best available" << "-vn -c:a aac";
        QTest::newRow("m4a 192") << "m4a" << "192 kbps" << "-vn -c:a aac -b:a 192k";
        QTest::newRow("wav 320") << "wav" << "320 kbps" << "-vn -c:a pcm_s16le";
        QTest::newRow("flac 128") << "flac" << "128 kbps" << "-vn -c:a flac";
        QTest::newRow("mp4 320") << "mp4" << "320 kbps" << "-c copy -movflags +faststart";
    }
    void arguments()
    {
        QFETCH(QString, format);
        QFETCH(QString, quality);
        QFETCH(QString, middle);
        const QString in = "/tmp/in put.wav", out = "/out/-name.mp3";
        QCOMPARE(ffmpegArguments(*audioFormatFromRaw(format), *audioQualityFromRaw(quality), in, out),
                 QStringList({"-y", "-i", in}) + middle.split(u' ') + QStringList({"-map_metadata", "0", out}));
    }

    void names_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("base"); // empty: a long title, cut to fit
        QTest::newRow("slash") << "AC/DC Live" << "AC-DC Live";
        QTest::newRow("blanks") << " \t\n " << "Audio";
        QTest::newRow("control characters") << QStringLiteral("A\u0001B\u007fC\u0085D\tE") << "A B C D E";
        QTest::newRow("trimmed after replacing") << QStringLiteral("\u0002 Show \n") << "Show";
        QTest::newRow("long latin") << QString(400, u'a') << "";
        QTest::newRow("long japanese, three bytes each") << QString(120, QChar(0x65E5)) << "";
        QTest::newRow("long emoji, four bytes each")
            << QString::fromUcs4(std::u32string(80, U'\U0001F3B5').c_str(), 80) << "";
    }
    void names()
    {
        QFETCH(QString, title);
        QFETCH(QString, base);
        QCOMPARE(outputBaseName(title), base.isEmpty() ? title : base);
        const QString destination = env->folder("out");
        for (int i = 1; i <= 3; ++i) {
            const auto path = reserveOutput(title, AudioFormat::flac, destination);
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

    void reservationsNeverCollide()
    {
        // Many jobs with one title at once, beside the user's own files: each gets a name of its own.
        const QString out = env->folder("out");
        writeFile(out + "/Show.mp3", "mine");
        writeFile(out + "/Show 2.mp3", "mine too");
        QList<QFuture<Result<QString>>> futures;
        for (int i = 0; i < 64; ++i)
            futures << QtConcurrent::run([out] { return reserveOutput("Show", AudioFormat::mp3, out); });
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
        QCOMPARE(reserveOutput("Show", AudioFormat::m4a, out).value_or(QString()), out + "/Show.m4a");
        QVERIFY(reserveOutput("x", AudioFormat::wav, out + "/new/deeper"));
    }

    void missingFFmpeg()
    {
        qputenv("TOVEL_FFMPEG", "");
        const auto result = QCoro::waitFor(convert("a.wav", "a.mp3", AudioFormat::mp3, AudioQuality::best, {}, {}));
        qunsetenv("TOVEL_FFMPEG");
        QCOMPARE(result ? QString() : result.error().description(), "Nothing here can read that. ffmpeg is missing.");
    }
};

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
