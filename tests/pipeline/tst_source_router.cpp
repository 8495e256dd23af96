#include "pipeline/source_kind.h"
#include "pipeline/source_router.h"
#include "support/test_env.h"

#include <QCoroTask>
#include <QDir>
#include <QtTest>

#include <sys/stat.h>

using namespace tovel;
using namespace tovel::test;

class TestSourceRouter : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;

    // "{home}" in a row stands for the test's home folder.
    QString expand(QString text) const { return text.replace("{home}", env->home()); }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>();
        QDir().mkpath(env->home() + "/Music/Field Recordings/More");
        writeFile(env->home() + "/Music/Song.MP3", "x");
        writeFile(env->home() + "/recording", "x");
    }
    void cleanup() { env.reset(); }

    void routing_data()
    {
        // clang-format off
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("kindWord");
        QTest::addColumn<QString>("hint");
        const QString file = "Local file \u2014 converts without touching the network.";
        const QString direct = "Direct media link.", feed = "Podcast feed.";
        const QString unrecognised = "Unrecognised link \u2014 Tovel will try to read it as a feed.";
        const QString notYet = "Not a link or a file path yet.";

        QTest::newRow("tilde path, blanks and a line break") << "  ~/Music/Song.MP3\n" << "local" << "File" << file;
        // A path to nothing is still meant as a file, and the hint says nothing is there, as it was typed.
        QTest::newRow("tilde path to nothing") << "~/Music/Nothing.mp3" << "none" << "File"
                                               << "There is no file or folder at ~/Music/Nothing.mp3.";
        QTest::newRow("relative path to nothing") << " ../gone.wav" << "none" << "File"
                                                  << "There is no file or folder at ../gone.wav.";
        QTest::newRow("file link to nothing") << "file:///no/such%20thing.mp3" << "none" << "File"
                                              << "There is no file or folder at file:///no/such%20thing.mp3.";
        QTest::newRow("bare word") << "missing.mp3" << "none" << "Link" << notYet;
        QTest::newRow("file link with escapes to a folder")
            << "file://{home}/Music/Field%20Recordings" << "folder" << "File"
            << "Folder \u2014 every audio file inside, converted offline.";
        QTest::newRow("archive link ending in mp3")
            << "https://archive.org/download/item/track.mp3" << "archive" << "Archive" << "Internet Archive item.";
        QTest::newRow("wikimedia upload file") << "https://upload.wikimedia.org/a/b/c.ogg" << "wikimedia" << "Direct"
                                               << "Wikimedia Commons \u2014 freely licensed media.";
        QTest::newRow("mp3 link whose path says feed") << "https://host.test/feed/episode.mp3" << "direct" << "Direct"
                                                       << direct;
        QTest::newRow("capital scheme and extension") << "HTTPS://host.test/ep1.MP3" << "direct" << "Direct" << direct;
        QTest::newRow("mp3 only in the query") << "https://host.test/play?a=b.mp3" << "none" << "Link" << unrecognised;
        QTest::newRow("feed path") << "\thttps://host.test/podcast/RSS " << "podcast" << "Feed" << feed;
        QTest::newRow("atom address") << "https://host.test/shows/news.atom" << "podcast" << "Feed" << feed;
        QTest::newRow("feeds host") << "https://feeds.host.test/show" << "podcast" << "Feed" << feed;
        QTest::newRow("feeds host in capitals") << "https://FEEDS.HOST.TEST/show" << "none" << "Link" << unrecognised;
        QTest::newRow("capital scheme page") << "HTTPS://host.test/page" << "none" << "Link" << notYet;
        QTest::newRow("ftp mp3") << "ftp://host.test/a.mp3" << "none" << "Link" << notYet;
        QTest::newRow("picture link") << "https://host.test/a.jpg" << "none" << "Link" << unrecognised;
        QTest::newRow("empty") << "   " << "none" << "\u2014"
                               << "Paste a podcast feed, a media link, an archive.org item, or a file path.";
        // clang-format on
    }
    void routing()
    {
        QFETCH(QString, input);
        QFETCH(QString, source);
        QFETCH(QString, kindWord);
        QFETCH(QString, hint);
        input = expand(input);
        const auto type = SourceRouter::sourceType(input);
        QCOMPARE(type ? type->identifier : "none", source);
        QCOMPARE(sourceKindWord(input, false), kindWord);
        QCOMPARE(SourceRouter::hint(input), hint);
    }

    void normalizedPath_data()
    {
        // clang-format off
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("lone tilde") << "~" << "{home}";
        QTest::newRow("other user's home") << "~root/x" << "/root/x";
        QTest::newRow("relative stays relative") << "music/a.mp3" << "music/a.mp3";
        QTest::newRow("tilde inside is kept") << "/a/~/b" << "/a/~/b";
        QTest::newRow("capital FILE is not a link") << "FILE:///tmp/a" << "FILE:///tmp/a";
        // clang-format on
    }
    void normalizedPath()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(SourceRouter::normalizedPath(input), expand(expected));
    }

    void resolvesLocalFiles()
    {
        // A file keeps its extension's case; a name without one hints an empty extension.
        for (const auto &[input, expected] :
             {std::pair{"  ~/Music/Song.MP3\n", "Song | MP3"}, std::pair{"~/recording", "recording | "}}) {
            const auto items = QCoro::waitFor(SourceRouter::resolve(input));
            QCOMPARE(items ? items->size() : -1, 1);
            const MediaItem &item = items->first();
            QCOMPARE(item.title + " | " + item.hintedExtension.value_or("-"), expected);
            QCOMPARE(item.origin, "Local file");
            QVERIFY(item.url.isLocalFile() && !item.engineLink);
        }

        const QString folder = env->home() + "/Music/Field Recordings";
        for (const char *name : {"b.mp3", "A.flac", "track 10.ogg", "track 2.ogg", "cover.jpg", "notes.txt",
                                 ".hidden.wav", "SONG.FLAC", "Track 2.ogg", "More/inner.mp3"})
            writeFile(folder + u'/' + name, "x");
        // Links to files count; a pipe and a dangling link never will.
        QVERIFY(QFile::link(folder + "/b.mp3", folder + "/link.mp3")
                && QFile::link(folder + "/none", folder + "/gone.mp3"));
        QCOMPARE(::mkfifo(QFile::encodeName(folder + "/pipe.mp3").constData(), 0600), 0);
        const auto items = QCoro::waitFor(SourceRouter::resolve("file://" + QString(folder).replace(" ", "%20")));
        QVERIFY(items);
        QStringList names;
        for (const MediaItem &item : *items) {
            names << QFileInfo(item.url.toLocalFile()).fileName() + u'|' + item.hintedExtension.value_or("-");
            QCOMPARE(item.origin, "Folder \u00b7 Field Recordings");
        }
        // Numeric and case-insensitive; sub-folders are not entered; hidden files count; extensions keep their case.
        QCOMPARE(names.size(), 8);
        QVERIFY(names.contains("link.mp3|mp3"));
        QVERIFY(names.indexOf("A.flac|flac") < names.indexOf("b.mp3|mp3"));
        QVERIFY(names.indexOf("track 2.ogg|ogg") < names.indexOf("track 10.ogg|ogg"));
        QVERIFY(names.indexOf("Track 2.ogg|ogg") < names.indexOf("track 10.ogg|ogg"));
        QVERIFY(names.contains(".hidden.wav|wav") && names.contains("SONG.FLAC|FLAC"));
    }
};

QTEST_GUILESS_MAIN(TestSourceRouter)
#include "tst_source_router.moc"
