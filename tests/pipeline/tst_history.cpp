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
    // gives way to the version in the file's header.
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
        QCOMPARE(history.savedOutput("guid song", AudioFormat::mp3, AudioQuality::k320, folder),
                 std::optional<QString>());
        QCOMPARE(history.savedOutput("guid song", AudioFormat::mp3, AudioQuality::best, folder),
                 std::optional<QString>(song));
        const QString other = folder + "/Other.flac";
        QVERIFY(writeFile(other, "more sound"));
        QVERIFY(history.record("guid other", "Field Notes", AudioFormat::flac, AudioQuality::k128, other));
        QCOMPARE(history.savedOutput("guid other", AudioFormat::flac, AudioQuality::best, folder),
                 std::optional<QString>(other));
        QCOMPARE(history.takeNotices(), QStringList());

        QCOMPARE(sqlRows(path, "PRAGMA user_version")
                     + sqlRows(path, "SELECT count(*) FROM sqlite_master WHERE name = 'schema_version'")
                     + sqlRows(path, "SELECT identity, source FROM saved ORDER BY saved_at"),
                 QStringList({"3", "0", "guid song Field Notes", "guid gone Other", "guid other Field Notes"}));
        QCOMPARE(History::sources(path).keys().size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
