#include "core/error.h"
#include "core/media.h"

#include <QtTest>

using namespace tovel;

class TestMedia : public QObject
{
    Q_OBJECT
private slots:
    void itemIdentity()
    {
        const MediaItem a(QStringLiteral("Song"), QUrl(QStringLiteral("https://x.test/a.mp3")), QStringLiteral("x"));
        const MediaItem b(QStringLiteral("Song"), QUrl(QStringLiteral("https://x.test/a.mp3")), QStringLiteral("x"));
        QVERIFY(a.id != b.id);
        QVERIFY(a != b);
        const MediaItem copy = a;
        QCOMPARE(copy, a);
        QCOMPARE(qHash(copy), qHash(a));

        MediaItem absent = a;
        MediaItem empty = a;
        empty.hintedExtension = QString();
        QVERIFY(absent != empty);
        QVERIFY(qHash(absent) != qHash(empty));
    }

    void errorDescriptions_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("expected");
        QTest::newRow("parse") << 2 << QStringLiteral("No audio files in that item.")
                               << QStringLiteral("That address loaded, but nothing playable was found. No audio files in that item.");
        QTest::newRow("unsupported, empty detail keeps the space") << 0 << QString()
                                                                  << QStringLiteral("Nothing here can read that. ");
        QTest::newRow("network") << 1 << QStringLiteral("Timed out.")
                                 << QStringLiteral("Could not reach that address. Timed out.");
        QTest::newRow("plain") << 3 << QStringLiteral("Disk full") << QStringLiteral("Disk full");
    }
    void errorDescriptions()
    {
        QFETCH(int, kind);
        QFETCH(QString, detail);
        QFETCH(QString, expected);
        const Error error = kind == 0 ? Error::unsupported(detail)
            : kind == 1               ? Error::network(detail)
            : kind == 2               ? Error::parse(detail)
                                      : Error::plain(detail);
        QCOMPARE(error.description(), expected);
    }

    void formatsAndQualities()
    {
        QCOMPARE(audioFormatFromRaw(QStringLiteral("FLAC")), std::nullopt);
        QCOMPARE(audioFormatFromRaw(QStringLiteral("flac")), AudioFormat::flac);
        QCOMPARE(label(AudioFormat::flac), QStringLiteral("FLAC"));
        QCOMPARE(label(AudioFormat::mp4), QStringLiteral("MP4 VIDEO"));
        QCOMPARE(audioQualityFromRaw(QStringLiteral("320 kbps")), AudioQuality::k320);
        QCOMPARE(audioQualityFromRaw(QStringLiteral("320k")), std::nullopt);
        QStringList qualityTaking;
        for (AudioFormat format : allAudioFormats)
            if (usesQuality(format))
                qualityTaking << rawValue(format);
        QCOMPARE(qualityTaking, QStringList({QStringLiteral("mp3"), QStringLiteral("m4a")}));
    }

    void phases()
    {
        const JobPhase failed = JobPhase::failed(QStringLiteral("No file at that path."));
        QCOMPARE(failed.label(), QStringLiteral("No file at that path."));
        QVERIFY(failed.isFinished());
        QVERIFY(!JobPhase(JobPhase::Kind::waiting).isFinished());
        QVERIFY(failed != JobPhase::failed(QStringLiteral("Other.")));
        QCOMPARE(JobPhase(JobPhase::Kind::converting).label(), QStringLiteral("Converting\u2026"));
        QCOMPARE(JobPhase(JobPhase::Kind::waiting).statusWord(), QStringLiteral("Queued"));
    }
};

QTEST_GUILESS_MAIN(TestMedia)
#include "tst_media.moc"
