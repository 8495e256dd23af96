#include "core/conversion.h"
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
    void cleanup()
    {
        Tools::clearFFmpegOverride();
        env.reset();
    }

    void arguments_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("quality");
        QTest::addColumn<QString>("middle");
        QTest::newRow("mp3 best") << "mp3" << "Best available" << "-vn -c:a libmp3lame -q:a 0";
        QTest::newRow("mp3 320") << "mp3" << "320 kbps" << "-vn -c:a libmp3lame -b:a 320k";
        QTest::newRow("mp3 192") << "mp3" << "192 kbps" << "-vn -c:a libmp3lame -b:a 192k";
        QTest::newRow("mp3 128") << "mp3" << "128 kbps" << "-vn -c:a libmp3lame -b:a 128k";
        QTest::newRow("m4a best") << "m4a" << "Best available" << "-vn -c:a aac";
        QTest::newRow("m4a 320") << "m4a" << "320 kbps" << "-vn -c:a aac -b:a 320k";
        QTest::newRow("m4a 192") << "m4a" << "192 kbps" << "-vn -c:a aac -b:a 192k";
        QTest::newRow("m4a 128") << "m4a" << "128 kbps" << "-vn -c:a aac -b:a 128k";
        for (const char *quality : {"Best available", "320 kbps", "128 kbps"}) {
            QTest::addRow("wav %s", quality) << "wav" << quality << "-vn -c:a pcm_s16le";
            QTest::addRow("flac %s", quality) << "flac" << quality << "-vn -c:a flac";
            QTest::addRow("mp4 %s", quality) << "mp4" << quality << "-c copy -movflags +faststart";
        }
    }
    void arguments()
    {
        QFETCH(QString, format);
        QFETCH(QString, quality);
        QFETCH(QString, middle);
        const QString in = QStringLiteral("/tmp/in put.wav");
        const QString out = QStringLiteral("/out/-name.mp3");
        const QStringList expected = QStringList{QStringLiteral("-y"), QStringLiteral("-i"), in}
            + middle.split(u' ') + QStringList{QStringLiteral("-map_metadata"), QStringLiteral("0"), out};
        QCOMPARE(ffmpegArguments(*audioFormatFromRaw(format), *audioQualityFromRaw(quality), in, out), expected);
    }

    void baseNames_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expected");
        QTest::newRow("slash") << "AC/DC Live" << "AC-DC Live";
        QTest::newRow("blanks") << " \t\n " << "Audio";
        QTest::newRow("control characters") << QStringLiteral("A\u0001B\u007fC\u0085D\tE") << "A B C D E";
        QTest::newRow("trimmed after replacing") << QStringLiteral("\u0002 Show \n") << "Show";
        QTest::newRow("dots are fine") << ".." << "..";
    }
    void baseNames()
    {
        QFETCH(QString, title);
        QFETCH(QString, expected);
        QCOMPARE(outputBaseName(title), expected);
    }

    void longNamesFit_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("latin") << QString(400, u'a');
        QTest::newRow("greek, two bytes each") << QString(200, QChar(0x03A9));
        QTest::newRow("japanese, three bytes each") << QString(120, QChar(0x65E5));
        QTest::newRow("emoji, four bytes each") << QString::fromUcs4(std::u32string(80, U'\U0001F3B5').c_str(), 80);
    }
    void longNamesFit()
    {
        QFETCH(QString, title);
        const QString destination = env->folder(QStringLiteral("out"));
        for (int i = 0; i < 3; ++i) {
            const auto path = reserveOutput(title, AudioFormat::flac, destination);
            QVERIFY2(path, qPrintable(path ? QString() : path.error().description()));
            const QString name = QFileInfo(*path).fileName();
            QVERIFY(name.toUtf8().size() <= 255);
            QVERIFY(name.endsWith(i == 0 ? QStringLiteral(".flac") : QStringLiteral(" %1.flac").arg(i + 1)));
            // Whole characters only: the name survives a round trip through UTF-8.
            QCOMPARE(QString::fromUtf8(name.toUtf8()), name);
            QVERIFY(title.startsWith(name.left(name.lastIndexOf(i == 0 ? u'.' : u' '))));
        }
    }

    void counters()
    {
        const QString out = env->folder(QStringLiteral("out"));
        writeFile(out + QStringLiteral("/Show.mp3"), "mine");
        writeFile(out + QStringLiteral("/Show 2.mp3"), "mine too");
        QCOMPARE(QFileInfo(*reserveOutput(QStringLiteral("Show"), AudioFormat::mp3, out)).fileName(), QStringLiteral("Show 3.mp3"));
        QCOMPARE(QFileInfo(*reserveOutput(QStringLiteral("Show"), AudioFormat::m4a, out)).fileName(), QStringLiteral("Show.m4a"));
        QCOMPARE(QFileInfo(*reserveOutput(QStringLiteral("Show"), AudioFormat::mp3, out)).fileName(), QStringLiteral("Show 4.mp3"));
        // The user's files are untouched.
        QFile mine(out + QStringLiteral("/Show.mp3"));
        QVERIFY(mine.open(QIODevice::ReadOnly));
        QCOMPARE(mine.readAll(), QByteArray("mine"));
        // A missing destination is created.
        QVERIFY(reserveOutput(QStringLiteral("x"), AudioFormat::wav, out + QStringLiteral("/new/deeper")));
    }

    void reservationUnderConcurrency()
    {
        const QString out = env->folder(QStringLiteral("out"));
        QList<QFuture<Result<QString>>> futures;
        for (int i = 0; i < 64; ++i)
            futures << QtConcurrent::run([out] { return reserveOutput(QStringLiteral("Same"), AudioFormat::mp3, out); });
        QSet<QString> paths;
        for (auto &future : futures) {
            const auto path = future.result();
            QVERIFY(path);
            paths.insert(*path);
        }
        QCOMPARE(paths.size(), 64);
        QCOMPARE(entries(out).size(), 64);
    }

    void conversionFailures()
    {
        const QString bad = env->temp() + QStringLiteral("/not-media.wav");
        writeFile(bad, "this is not audio");
        const QString out = env->folder(QStringLiteral("out")) + QStringLiteral("/x.mp3");
        auto result = QCoro::waitFor(convert(bad, out, AudioFormat::mp3, AudioQuality::best, {}, {}));
        QVERIFY(!result);
        QVERIFY(result.error().description().startsWith(QStringLiteral("Nothing here can read that. ffmpeg exited with code ")));
        QVERIFY(result.error().description().endsWith(u'.'));

        Tools::overrideFFmpegPath(std::nullopt);
        result = QCoro::waitFor(convert(bad, out, AudioFormat::mp3, AudioQuality::best, {}, {}));
        QVERIFY(!result);
        QCOMPARE(result.error().description(), QStringLiteral("Nothing here can read that. ffmpeg is missing."));
    }
};

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
