#include "core/source_router.h"
#include "sources/local_sources.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QDir>
#include <QtTest>

using namespace tovel;
using namespace tovel::test;

namespace {

template<typename T>
T await(QCoro::Task<T> task)
{
    return QCoro::waitFor(std::move(task));
}

QString typeName(std::optional<SourceType> type) { return type ? identifier(*type) : QStringLiteral("none"); }

} // namespace

class TestSourceRouter : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

    // "{home}" in a row stands for the test's home folder.
    QString expand(QString text) const { return text.replace(QStringLiteral("{home}"), env->home()); }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        QDir().mkpath(env->home() + QStringLiteral("/Music/Field Recordings"));
        writeFile(env->home() + QStringLiteral("/Music/Song.MP3"), "x");
        writeFile(env->home() + QStringLiteral("/recording"), "x");
    }
    void cleanup() { env.reset(); }

    void routing_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("kindWord");
        QTest::addColumn<QString>("hint");

        const QString file = QStringLiteral("Local file \u2014 converts without touching the network.");
        const QString folder = QStringLiteral("Folder \u2014 every audio file inside, converted offline.");
        const QString unrecognised = QStringLiteral("Unrecognised link \u2014 Tovel will try to read it as a feed.");
        const QString notYet = QStringLiteral("Not a link or a file path yet.");

        QTest::newRow("tilde path, blanks and a line break") << QStringLiteral("  ~/Music/Song.MP3\n") << "local" << "File" << file;
        QTest::newRow("tilde path to nothing") << QStringLiteral("~/Music/Nothing.mp3") << "none" << "Link" << notYet;
        QTest::newRow("file link with escapes to a folder")
            << QStringLiteral("file://{home}/Music/Field%20Recordings") << "folder" << "File" << folder;
        QTest::newRow("archive link ending in mp3")
            << QStringLiteral("https://archive.org/download/item/track.mp3") << "archive" << "Archive"
            << QStringLiteral("Internet Archive item.");
        QTest::newRow("wikimedia upload file") << QStringLiteral("https://upload.wikimedia.org/a/b/c.ogg") << "wikimedia"
                                               << "Direct" << QStringLiteral("Wikimedia Commons \u2014 freely licensed media.");
        QTest::newRow("mp3 link whose path says feed") << QStringLiteral("https://host.test/feed/episode.mp3") << "direct"
                                                       << "Direct" << QStringLiteral("Direct media link.");
        QTest::newRow("capital scheme, capital extension") << QStringLiteral("HTTPS://host.test/ep1.MP3") << "direct"
                                                           << "Direct" << QStringLiteral("Direct media link.");
        QTest::newRow("mp3 only in the query") << QStringLiteral("https://host.test/play?file=a.mp3") << "none" << "Link"
                                               << unrecognised;
        QTest::newRow("feed path") << QStringLiteral("\thttps://host.test/podcast/RSS ") << "podcast" << "Feed"
                                   << QStringLiteral("Podcast feed.");
        QTest::newRow("feeds host") << QStringLiteral("https://feeds.host.test/show") << "podcast" << "Feed"
                                    << QStringLiteral("Podcast feed.");
        QTest::newRow("feeds host in capitals") << QStringLiteral("https://FEEDS.HOST.TEST/show") << "none" << "Link"
                                                << unrecognised;
        QTest::newRow("ordinary page") << QStringLiteral("https://host.test/page") << "none" << "Link" << unrecognised;
        QTest::newRow("capital scheme page") << QStringLiteral("HTTPS://host.test/page") << "none" << "Link" << notYet;
        QTest::newRow("ftp mp3") << QStringLiteral("ftp://host.test/a.mp3") << "none" << "Link" << notYet;
        QTest::newRow("picture link") << QStringLiteral("https://host.test/a.jpg") << "none" << "Link" << unrecognised;
        QTest::newRow("empty") << QStringLiteral("   ") << "none" << QStringLiteral("\u2014")
                               << QStringLiteral("Paste a podcast feed, a media link, an archive.org item, or a file path.");
    }
    void routing()
    {
        QFETCH(QString, input);
        QFETCH(QString, source);
        QFETCH(QString, kindWord);
        QFETCH(QString, hint);
        input = expand(input);
        QCOMPARE(typeName(SourceRouter::sourceType(input)), source);
        QCOMPARE(SourceRouter::sourceKindWord(input, false), kindWord);
        QCOMPARE(SourceRouter::hint(input), hint);
    }

    void normalizedPath_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file link with escapes") << "file:///tmp/My%20Song.m4a" << "/tmp/My Song.m4a";
        QTest::newRow("lone tilde") << "~" << "{home}";
        QTest::newRow("tilde path, blanks, line breaks") << " \t~/Music/a.mp3 \r\n" << "{home}/Music/a.mp3";
        QTest::newRow("other user's home") << "~root/x" << "/root/x";
        QTest::newRow("relative stays relative") << "music/a.mp3" << "music/a.mp3";
        QTest::newRow("tilde inside is kept") << "/a/~/b" << "/a/~/b";
        QTest::newRow("capital FILE is not a link") << "FILE:///tmp/a" << "FILE:///tmp/a";
    }
    void normalizedPath()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(SourceRouter::normalizedPath(input), expand(expected));
    }

    void localFileItem_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("title");
        QTest::addColumn<std::optional<QString>>("extension");
        QTest::newRow("capital extension") << "  ~/Music/Song.MP3\n" << "Song" << std::optional(QStringLiteral("MP3"));
        QTest::newRow("no extension") << "~/recording" << "recording" << std::optional(QString());
    }
    void localFileItem()
    {
        QFETCH(QString, input);
        QFETCH(QString, title);
        QFETCH(std::optional<QString>, extension);
        const auto items = await(SourceRouter::resolve(input));
        QVERIFY(items);
        QCOMPARE(items->size(), 1);
        QCOMPARE(items->first().title, title);
        QCOMPARE(items->first().origin, QStringLiteral("Local file"));
        QCOMPARE(items->first().hintedExtension, extension);
        QVERIFY(items->first().url.isLocalFile());
        QVERIFY(!items->first().engineLink);
    }

    void folderListing()
    {
        const QString folder = env->home() + QStringLiteral("/Music/Field Recordings");
        for (const char *name : {"b.mp3", "A.flac", "track 10.ogg", "track 2.ogg", "cover.jpg", "notes.txt",
                                 ".hidden.wav", "SONG.FLAC", "Track 2.ogg"})
            writeFile(folder + u'/' + QString::fromUtf8(name), "x");
        QDir().mkpath(folder + QStringLiteral("/More"));
        writeFile(folder + QStringLiteral("/More/inner.mp3"), "x");

        const auto items = await(SourceRouter::resolve(QStringLiteral("file://") + QString(folder).replace(u' ', QStringLiteral("%20"))));
        QVERIFY(items);
        QStringList names;
        for (const MediaItem &item : *items) {
            names << QFileInfo(item.url.toLocalFile()).fileName();
            QCOMPARE(item.origin, QStringLiteral("Folder \u00b7 Field Recordings"));
        }
        // Numeric and case-insensitive; sub-folders are not entered; hidden files count.
        QCOMPARE(names.size(), 7);
        QCOMPARE(names.indexOf(QStringLiteral("A.flac")) < names.indexOf(QStringLiteral("b.mp3")), true);
        QCOMPARE(names.indexOf(QStringLiteral("track 2.ogg")) < names.indexOf(QStringLiteral("track 10.ogg")), true);
        QCOMPARE(names.indexOf(QStringLiteral("Track 2.ogg")) < names.indexOf(QStringLiteral("track 10.ogg")), true);
        QVERIFY(names.contains(QStringLiteral(".hidden.wav")));
        QVERIFY(!names.contains(QStringLiteral("inner.mp3")));
        const auto song = std::find_if(items->begin(), items->end(),
                                       [](const MediaItem &item) { return item.title == QLatin1String("SONG"); });
        QVERIFY(song != items->end());
        QCOMPARE(song->hintedExtension, std::optional(QStringLiteral("FLAC")));
    }

    void resolveFailures_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder of pictures") << "{home}/pictures"
                                            << "That address loaded, but nothing playable was found. No audio or video files in that folder.";
        QTest::newRow("nothing there") << "~/Missing/x.mp3"
                                       << "Nothing here can read that. Give a feed, a media link, an archive.org item, or a file path.";
        QTest::newRow("ftp") << "ftp://host.test/a.mp3"
                             << "Nothing here can read that. Give a feed, a media link, an archive.org item, or a file path.";
        QTest::newRow("blank") << "  " << "Nothing here can read that. Give a feed, a media link, an archive.org item, or a file path.";
    }
    void resolveFailures()
    {
        QFETCH(QString, input);
        QFETCH(QString, message);
        const QString pictures = env->home() + QStringLiteral("/pictures");
        QDir().mkpath(pictures);
        writeFile(pictures + QStringLiteral("/cover.jpg"), "x");
        const auto items = await(SourceRouter::resolve(expand(input)));
        QVERIFY(!items);
        QCOMPARE(items.error().description(), message);
    }
};

QTEST_GUILESS_MAIN(TestSourceRouter)
#include "tst_source_router.moc"
