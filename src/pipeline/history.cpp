#include "pipeline/history.h"

#include "core/url_text.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace tovel {

namespace {

// The table as it first was; version 2 added where each file came from, version 3 when the file was last
// modified (and took the user names and passwords out of the links noted before), version 4 what was done
// to its sound, version 5 the shows followed and the episodes each had when last read.
const char *const createVersion1 = "CREATE TABLE saved ("
                                   " identity TEXT NOT NULL,"
                                   " format TEXT NOT NULL,"
                                   " quality TEXT NOT NULL,"
                                   " output TEXT NOT NULL,"
                                   " size INTEGER NOT NULL,"
                                   " saved_at INTEGER NOT NULL)";
const char *const indexVersion1 = "CREATE INDEX saved_item ON saved (identity, format, quality)";
// A show's address is where its feed is read now: it changes when the feed moves, its id never does.
const char *const createShows = "CREATE TABLE IF NOT EXISTS shows ("
                                " id INTEGER PRIMARY KEY,"
                                " address TEXT NOT NULL UNIQUE,"
                                " title TEXT NOT NULL DEFAULT '',"
                                " format TEXT NOT NULL,"
                                " quality TEXT NOT NULL,"
                                " sound TEXT NOT NULL DEFAULT '',"
                                " followed_at INTEGER NOT NULL,"
                                " checked_at INTEGER,"
                                " arrived INTEGER NOT NULL DEFAULT 0,"
                                " arrived_at INTEGER,"
                                " problem TEXT NOT NULL DEFAULT '',"
                                " etag TEXT NOT NULL DEFAULT '',"
                                " last_modified TEXT NOT NULL DEFAULT '',"
                                " owed INTEGER NOT NULL DEFAULT 0)";
const char *const createShowEpisodes = "CREATE TABLE IF NOT EXISTS show_episodes ("
                                       " show INTEGER NOT NULL,"
                                       " identity TEXT NOT NULL,"
                                       " PRIMARY KEY (show, identity)) WITHOUT ROWID";

// SQLite's own codes (their low byte, whether or not extended codes are on) for a file that is not a
// database or no longer a sound one, and for one another connection holds.
int primaryCode(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xff;
}
bool isDamage(const QSqlError &error)
{
    return primaryCode(error) == 11 || primaryCode(error) == 26;
}
bool isBusy(const QSqlError &error)
{
    return primaryCode(error) == 5 || primaryCode(error) == 6;
}

// A format that takes no bitrate is the same file whatever quality was asked for.
QString qualityKey(AudioFormat format, AudioQuality quality)
{
    return rawValue(usesQuality(format) ? quality : AudioQuality::best);
}

// Nothing done to the sound is stored as an empty text, never as null.
QString soundKey(const SoundOptions &sound)
{
    const QString raw = rawValue(sound);
    return raw.isEmpty() ? QStringLiteral("") : raw;
}

QString newConnectionName()
{
    return QStringLiteral("history-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// The file's modification time as the file system gives it, to the millisecond; null when it gives none.
QVariant modifiedAt(const QFileInfo &file)
{
    const QDateTime modified = file.fileTime(QFileDevice::FileModificationTime);
    return modified.isValid() ? QVariant(modified.toMSecsSinceEpoch()) : QVariant(QMetaType::fromType<qint64>());
}

// Whether the file is still the one noted, by its size and modification time. A row from before times
// were noted proves nothing, so it never vouches for a file.
bool unchanged(const QFileInfo &file, qint64 size, const QVariant &modified)
{
    const QVariant now = modifiedAt(file);
    return file.isFile() && file.size() == size && !modified.isNull() && !now.isNull()
        && now.toLongLong() == modified.toLongLong();
}

// Links are noted without the user name and password they may carry, both when noting and looking up.
QString stored(const QString &text)
{
    return withoutCredentials(text);
}

} // namespace

QString History::defaultPath()
{
    return paths::applicationSupport() + QStringLiteral("/history.sqlite");
}

History::History(QString path) : m_path(std::move(path)), m_connection(newConnectionName()) {}

History::~History()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool History::open()
{
    if (m_state == State::open)
        return true;
    if (m_state == State::unusable || (m_retryAt.isValid() && QDateTime::currentDateTime() < m_retryAt))
        return false;
    // Two rounds at most: a damaged file is set aside once and a fresh one started in its place.
    for (int round = 0; round < 2; ++round) {
        const QString folder = QFileInfo(m_path).absolutePath();
        if (!QDir().mkpath(folder))
            return false;
        // Made by us, for this user alone: it lists what they gathered.
        if (!QFileInfo::exists(m_path)) {
            if (!paths::createPrivateFile(m_path) && !QFileInfo::exists(m_path))
                return false;
        }
        Preparation outcome = Preparation::refused;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
            db.setDatabaseName(m_path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
            m_failure.clear();
            if (db.open()) {
                outcome = prepare();
            } else {
                m_failure = db.lastError().databaseText();
                outcome = isDamage(db.lastError()) ? Preparation::damaged : Preparation::refused;
            }
        }
        if (outcome == Preparation::ready) {
            m_state = State::open;
            return true;
        }
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
        // Another Tovel holding the file for a moment: tried again a little later, not every item meanwhile.
        if (outcome == Preparation::busy) {
            m_retryAt = QDateTime::currentDateTime().addSecs(30);
            m_notices << QCoreApplication::translate(
                "Tovel",
                "The record of what was saved before was in use elsewhere, so items saved "
                "before may have been gathered again.");
            return false;
        }
        if (outcome == Preparation::newer || outcome == Preparation::refused || round > 0 || !setAside()) {
            m_state = State::unusable;
            m_notices << (outcome == Preparation::newer
                              ? QCoreApplication::translate(
                                  "Tovel",
                                  "The record of what was saved before comes from a newer Tovel. It is "
                                  "left as it is, and not used.")
                              : QCoreApplication::translate(
                                    "Tovel",
                                    "The record of what was saved before could not be opened (%1), so "
                                    "nothing saved now will be skipped next time.")
                                    .arg(m_failure.isEmpty() ? QCoreApplication::translate("Tovel", "unknown reason")
                                                             : m_failure));
            return false;
        }
    }
    return false;
}

QStringList History::takeNotices()
{
    if (m_unrecorded > 0)
        m_notices << (m_unrecorded == 1 ? QCoreApplication::translate(
                          "Tovel",
                          "1 saved file could not be noted in the record of what was saved, so a "
                          "later gathering will fetch it again.")
                                        : QCoreApplication::translate(
                                            "Tovel",
                                            "%n saved files could not be noted in the record of what was saved, so "
                                            "a later gathering will fetch them again.",
                                            nullptr, m_unrecorded));
    m_unrecorded = 0;
    return std::exchange(m_notices, {});
}

// Checks the file, brings its tables to the current version and sets the connection up.
History::Preparation History::prepare()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    Preparation failure = Preparation::refused;
    const auto run = [&](const QString &statement) {
        if (query.exec(statement))
            return true;
        const QSqlError error = query.lastError();
        m_failure = error.databaseText();
        failure = isDamage(error) ? Preparation::damaged : isBusy(error) ? Preparation::busy : Preparation::refused;
        return false;
    };
    // Looked at before anything is written to it: a damaged file is set aside as it was found.
    if (!run(QStringLiteral("PRAGMA quick_check")))
        return failure;
    if (!query.next() || query.value(0).toString() != QLatin1String("ok"))
        return Preparation::damaged;
    query.finish();
    if (!run(QStringLiteral("BEGIN IMMEDIATE")))
        return failure;
    const auto migrate = [&] {
        // The version lives in the file's header. Older files kept it in a table of its own, which goes
        // once the file is brought up to date.
        if (!run(QStringLiteral("PRAGMA user_version")) || !query.next())
            return false;
        const int stamped = query.value(0).toInt();
        int version = stamped;
        query.finish();
        bool versionTable = false;
        if (version == 0) {
            if (!run(QStringLiteral(
                    "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'"))
                || !query.next())
                return false;
            versionTable = query.value(0).toInt() > 0;
            query.finish();
            if (versionTable) {
                if (!run(QStringLiteral("SELECT max(version) FROM schema_version")) || !query.next())
                    return false;
                version = query.value(0).toInt();
                query.finish();
            }
        }
        // A newer Tovel's history is theirs to read: left as it is, and not used.
        if (version > schemaVersion) {
            failure = Preparation::newer;
            return false;
        }
        if (version == 0) {
            if (!run(QString::fromLatin1(createVersion1)) || !run(QString::fromLatin1(indexVersion1)))
                return false;
            version = 1;
        }
        if (version == 1) {
            if (!run(QStringLiteral("ALTER TABLE saved ADD COLUMN source TEXT NOT NULL DEFAULT ''")))
                return false;
            version = 2;
        }
        // Rows noted before keep a null time: they stay, but no longer count as proof a file is unchanged.
        if (version == 2) {
            if (!run(QStringLiteral("ALTER TABLE saved ADD COLUMN modified INTEGER")) || !scrubCredentials())
                return false;
            version = 3;
        }
        if (version == 3) {
            if (!run(QStringLiteral("ALTER TABLE saved ADD COLUMN sound TEXT NOT NULL DEFAULT ''")))
                return false;
            version = 4;
        }
        if (version == 4) {
            if (!run(QString::fromLatin1(createShows)) || !run(QString::fromLatin1(createShowEpisodes)))
                return false;
            version = 5;
        }
        if (versionTable && !run(QStringLiteral("DROP TABLE schema_version")))
            return false;
        if (stamped != schemaVersion && !run(QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion)))
            return false;
        // A table of another shape under our name is no history of ours to use.
        if (!run(QStringLiteral("SELECT identity, format, quality, output, size, saved_at, source, modified,"
                                " sound FROM saved LIMIT 0"))
            || !run(QStringLiteral("SELECT id, address, title, format, quality, sound, followed_at, checked_at,"
                                   " arrived, arrived_at, problem, etag, last_modified, owed FROM shows LIMIT 0"))
            || !run(QStringLiteral("SELECT show, identity FROM show_episodes LIMIT 0"))) {
            if (failure != Preparation::busy)
                failure = Preparation::damaged;
            return false;
        }
        return run(QStringLiteral("COMMIT"));
    };
    if (!migrate()) {
        query.exec(QStringLiteral("ROLLBACK"));
        return failure;
    }
    // Readers (the Library) and the one writer then never wait for each other.
    if (!run(QStringLiteral("PRAGMA journal_mode=WAL")) || !run(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return failure;
    return Preparation::ready;
}

// Moves the database (and its journal files) to a name with the time in it, so nothing in it is lost;
// false when it could not be moved.
bool History::setAside()
{
    const QFileInfo file(m_path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside;
    for (int n = 1;; ++n) {
        aside = file.absolutePath() + u'/' + file.completeBaseName() + QStringLiteral(".damaged-") + stamp
            + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + u'.' + file.suffix();
        if (!QFileInfo::exists(aside))
            break;
    }
    for (const char *journal : {"-wal", "-shm", "-journal"}) {
        const QString name = QString::fromLatin1(journal);
        if (QFileInfo::exists(m_path + name))
            QFile::rename(m_path + name, aside + name);
    }
    if (!QFile::rename(m_path, aside))
        return false;
    const QString home = QDir::homePath() + u'/';
    m_notices << QCoreApplication::translate(
                     "Tovel",
                     "The record of what was saved before could not be read. It was kept as %1, and a new "
                     "one begun.")
                     .arg(aside.startsWith(home) ? u'~' + aside.mid(home.size() - 1) : aside);
    return true;
}

// Links noted by an older Tovel lose their user names and passwords, inside the migration's transaction;
// the space their old text took is overwritten with zeros, not merely freed.
bool History::scrubCredentials()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery rows(db), update(db);
    if (!rows.exec(QStringLiteral("PRAGMA secure_delete = ON"))
        || !rows.exec(QStringLiteral("SELECT rowid, identity, source FROM saved"
                                     " WHERE identity LIKE '%@%' OR source LIKE '%@%'")))
        return false;
    update.prepare(QStringLiteral("UPDATE saved SET identity = ?, source = ? WHERE rowid = ?"));
    while (rows.next()) {
        const QString identity = rows.value(1).toString(), source = rows.value(2).toString();
        if (stored(identity) == identity && stored(source) == source)
            continue;
        update.addBindValue(stored(identity));
        update.addBindValue(stored(source));
        update.addBindValue(rows.value(0));
        if (!update.exec())
            return false;
    }
    return true;
}

std::optional<QString> History::savedOutput(const QString &identity, AudioFormat format, AudioQuality quality,
                                            const SoundOptions &sound, const QString &folder)
{
    if (identity.isEmpty() || !open())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT output, size, modified FROM saved"
                                 " WHERE identity = ? AND format = ? AND quality = ? AND sound = ?"
                                 " ORDER BY saved_at DESC, rowid DESC"));
    query.addBindValue(stored(identity));
    query.addBindValue(rawValue(format));
    query.addBindValue(qualityKey(format, quality));
    query.addBindValue(soundKey(sound));
    if (!query.exec())
        return std::nullopt;
    const QString wanted = QFileInfo(folder).absoluteFilePath();
    while (query.next()) {
        const QFileInfo file(query.value(0).toString());
        if (file.absolutePath() == wanted && unchanged(file, query.value(1).toLongLong(), query.value(2)))
            return file.absoluteFilePath();
    }
    return std::nullopt;
}

QString History::connectionName()
{
    return open() ? m_connection : QString();
}

bool History::Source::vouchesFor(const QFileInfo &file) const
{
    return unchanged(file, size, modified);
}

bool History::record(const QString &identity, const QString &source, AudioFormat format, AudioQuality quality,
                     const SoundOptions &sound, const QString &output)
{
    const QFileInfo file(output);
    if (identity.isEmpty() || !file.isFile())
        return false;
    // An unusable history has said so already, once.
    if (!open()) {
        m_unrecorded += m_state != State::unusable;
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        ++m_unrecorded;
        return false;
    }
    QSqlQuery remove(db), insert(db);
    // A path holds one file: whatever was noted for it before is gone.
    remove.prepare(QStringLiteral("DELETE FROM saved WHERE output = ?"));
    remove.addBindValue(file.absoluteFilePath());
    insert.prepare(QStringLiteral("INSERT INTO saved (identity, format, quality, output, size, saved_at, source,"
                                  " modified, sound) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant &value :
         {QVariant(stored(identity)), QVariant(rawValue(format)), QVariant(qualityKey(format, quality)),
          QVariant(file.absoluteFilePath()), QVariant(file.size()), QVariant(QDateTime::currentSecsSinceEpoch()),
          QVariant(stored(source)), modifiedAt(file), QVariant(soundKey(sound))})
        insert.addBindValue(value);
    if (remove.exec() && insert.exec() && db.commit())
        return true;
    db.rollback();
    ++m_unrecorded;
    return false;
}

QHash<QString, History::Source> History::sources(const QString &path)
{
    QHash<QString, Source> found;
    if (!QFileInfo(path).isFile())
        return found;
    const QString connection = newConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT output, source, size, modified FROM saved WHERE source <> ''"
                                          " ORDER BY saved_at")))
                while (query.next())
                    found.insert(query.value(0).toString(),
                                 {query.value(1).toString(), query.value(2).toLongLong(), query.value(3)});
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return found;
}

} // namespace tovel
