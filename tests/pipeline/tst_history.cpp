#include "pipeline/history.h"
#include "support/test_env.h"

#include <QtTest>

using namespace tovel;
using namespace tovel::test;

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    // A history written when its version was kept in a table of its own keeps its rows, and the table
    // gives way to the version in the file's header. What was done to the sound tells saved files apart.
    void aHistoryWithAVersionTableIsKept()
    {
        TestEnv env;
        const QString folder = env.folder("Music"), path = env.root() + "/history.sqlite";
        const QString song = folder + "/Song.mp3";
        QVERIFY(writeFile(song, "sound"));
        const qint64 modified = QFileInfo(song).lastModified().toMSecsSinceEpoch();
        for (const QString &statement :
             {QString("CREATE TABLE schema_version (version INTEGER NOT NULL)"),
              QString("INSERT INTO schema_version VALUES (3)"),
              QString("CREATE TABLE saved (identity TEXT NOT NULL, format TEXT NOT NULL, quality TEXT NOT NULL,"
                      " output TEXT NOT NULL, size INTEGER NOT NULL, saved_at INTEGER NOT NULL,"
                      " source TEXT NOT NULL DEFAULT '', modified INTEGER)"),
              QString("CREATE INDEX saved_item ON saved (identity, format, quality)"),
              QString("INSERT INTO saved VALUES ('guid song', 'mp3', 'Best available', '%1', 5, 1, 'Field Notes', %2)")
                  .arg(song)
                  .arg(modified),
              QString("INSERT INTO saved VALUES ('guid gone', 'wav', 'Best available', '/gone/a.wav', 1, 2, 'Other', "
                      "NULL)")})
            QCOMPARE(sqlRows(path, statement), QStringList());

        History history(path);
        const SoundOptions plain, even{defaultLoudness, false}, shorter{std::nullopt, true};
        QCOMPARE(history.savedOutput("guid song", AudioFormat::mp3, AudioQuality::k320, plain, folder),
                 std::optional<QString>());
        QCOMPARE(history.savedOutput("guid song", AudioFormat::mp3, AudioQuality::best, plain, folder),
                 std::optional<QString>(song));
        QCOMPARE(history.savedOutput("guid song", AudioFormat::mp3, AudioQuality::best, even, folder),
                 std::optional<QString>());
        const QString other = folder + "/Other.flac";
        QVERIFY(writeFile(other, "more sound"));
        QVERIFY(history.record("guid other", "Field Notes", AudioFormat::flac, AudioQuality::k128, even, other));
        QCOMPARE(history.savedOutput("guid other", AudioFormat::flac, AudioQuality::best, even, folder),
                 std::optional<QString>(other));
        for (const SoundOptions &sound : {plain, shorter, SoundOptions{-14.0, false}})
            QCOMPARE(history.savedOutput("guid other", AudioFormat::flac, AudioQuality::best, sound, folder),
                     std::optional<QString>());
        QCOMPARE(history.takeNotices(), QStringList());

        QCOMPARE(sqlRows(path, "PRAGMA user_version")
                     + sqlRows(path, "SELECT count(*) FROM sqlite_master WHERE name = 'schema_version'")
                     + sqlRows(path, "SELECT identity, source FROM saved ORDER BY saved_at"),
                 QStringList({"5", "0", "guid song Field Notes", "guid gone Other", "guid other Field Notes"}));
        QCOMPARE(sqlRows(path, "SELECT sound FROM saved ORDER BY saved_at"), QStringList({"", "", "loudness=-16"}));
        QCOMPARE(History::sources(path).keys().size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
