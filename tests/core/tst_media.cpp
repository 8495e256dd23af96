#include "core/media.h"

#include <QtTest>

using namespace tovel;

class TestMedia : public QObject
{
    Q_OBJECT
private slots:
    void itemIdentity()
    {
        // Two finds of the same link are two items; a copy is the same item, hashed alike.
        const MediaItem a("Song", QUrl("https://x.test/a.mp3"), "x"), b("Song", QUrl("https://x.test/a.mp3"), "x");
        QVERIFY(a.id != b.id && a != b);
        const MediaItem copy = a;
        QCOMPARE(copy, a);
        QCOMPARE(qHash(copy), qHash(a));
        // An absent extension is not an empty one.
        MediaItem empty = a;
        empty.hintedExtension = QString();
        QVERIFY(a != empty);
        QVERIFY(qHash(a) != qHash(empty));
    }

    void formatsAndQualities()
    {
        // Raw values are exact: the command line lower-cases before asking; "320k" is no stored quality.
        QCOMPARE(audioFormatFromRaw("FLAC"), std::nullopt);
        QCOMPARE(audioFormatFromRaw("flac"), AudioFormat::flac);
        QCOMPARE(audioQualityFromRaw("320 kbps"), AudioQuality::k320);
        QCOMPARE(audioQualityFromRaw("320k"), std::nullopt);
        QCOMPARE(label(AudioFormat::mp4), "MP4 VIDEO");
    }
};

QTEST_GUILESS_MAIN(TestMedia)
#include "tst_media.moc"
