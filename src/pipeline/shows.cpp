#include "pipeline/shows.h"

#include "core/url_text.h"
#include "pipeline/history.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <QXmlStreamWriter>

namespace tovel {

namespace {

const char *const showColumns = "id, address, title, format, quality, sound, followed_at, checked_at, arrived,"
                                " arrived_at, problem, etag, last_modified, owed";

// Text columns hold an empty text, never null, for nothing.
QVariant textOf(const QString &text)
{
    return QVariant(text.isNull() ? QStringLiteral("") : text);
}
QVariant textOf(const QByteArray &bytes)
{
    return textOf(QString::fromLatin1(bytes));
}

QVariant secondsOf(const QDateTime &time)
{
    return time.isValid() ? QVariant(time.toSecsSinceEpoch()) : QVariant(QMetaType::fromType<qint64>());
}

QDateTime timeOf(const QVariant &seconds)
{
    return seconds.isNull() ? QDateTime() : QDateTime::fromSecsSinceEpoch(seconds.toLongLong());
}

Show showFrom(const QSqlQuery &row)
{
    Show show;
    show.id = row.value(0).toLongLong();
    show.address = row.value(1).toString();
    show.title = row.value(2).toString();
    show.format = audioFormatFromRaw(row.value(3).toString()).value_or(AudioFormat::mp3);
    show.quality = audioQualityFromRaw(row.value(4).toString()).value_or(AudioQuality::best);
    show.sound = soundOptionsFromRaw(row.value(5).toString());
    show.followedAt = timeOf(row.value(6));
    show.checkedAt = timeOf(row.value(7));
    show.arrived = row.value(8).toInt();
    show.arrivedAt = timeOf(row.value(9));
    show.problem = row.value(10).toString();
    show.etag = row.value(11).toString().toLatin1();
    show.lastModified = row.value(12).toString().toLatin1();
    show.owed = row.value(13).toInt();
    return show;
}

} // namespace

QString Show::shownAddress() const
{
    return withoutCredentials(address);
}

QString Show::name() const
{
    return title.isEmpty() ? shownAddress() : title;
}

QString showsOpml(const QList<Show> &shows)
{
    QString document;
    QXmlStreamWriter writer(&document);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("opml"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    writer.writeStartElement(QStringLiteral("head"));
    writer.writeTextElement(QStringLiteral("title"), QStringLiteral("Tovel"));
    writer.writeTextElement(QStringLiteral("dateCreated"), QDateTime::currentDateTimeUtc().toString(Qt::RFC2822Date));
    writer.writeEndElement();
    writer.writeStartElement(QStringLiteral("body"));
    for (const Show &show : shows) {
        writer.writeEmptyElement(QStringLiteral("outline"));
        writer.writeAttribute(QStringLiteral("type"), QStringLiteral("rss"));
        writer.writeAttribute(QStringLiteral("text"), show.name());
        if (!show.title.isEmpty())
            writer.writeAttribute(QStringLiteral("title"), show.title);
        writer.writeAttribute(QStringLiteral("xmlUrl"), show.address);
    }
    writer.writeEndDocument();
    return document;
}

Shows::Shows(std::shared_ptr<History> history) : m_history(std::move(history)) {}

QSqlDatabase Shows::database() const
{
    const QString connection = m_history->connectionName();
    return connection.isEmpty() ? QSqlDatabase() : QSqlDatabase::database(connection, false);
}

std::optional<QList<Show>> Shows::list()
{
    QSqlDatabase db = database();
    if (!db.isValid())
        return std::nullopt;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT %1 FROM shows ORDER BY id").arg(QLatin1String(showColumns))))
        return std::nullopt;
    QList<Show> shows;
    while (query.next())
        shows.append(showFrom(query));
    return shows;
}

std::optional<Show> Shows::find(const QString &addressOrNumber)
{
    const std::optional<QList<Show>> shows = list();
    if (!shows)
        return std::nullopt;
    bool numbered = false;
    const int number = addressOrNumber.trimmed().toInt(&numbered);
    if (numbered)
        return number >= 1 && number <= shows->size() ? std::optional(shows->at(number - 1)) : std::nullopt;
    for (const Show &show : *shows)
        if (show.address == addressOrNumber.trimmed() || show.shownAddress() == addressOrNumber.trimmed())
            return show;
    return std::nullopt;
}

Result<Show> Shows::follow(Show show, const QStringList &episodes)
{
    QSqlDatabase db = database();
    const auto unusable = [] {
        return fail(Error::plain(QCoreApplication::translate(
            "Tovel", "Tovel could not keep the show: the record of what was saved could not be used.")));
    };
    if (!db.isValid())
        return unusable();
    if (find(show.address))
        return fail(Error::plain(QCoreApplication::translate("Tovel", "You already follow %1.").arg(show.name())));
    if (!db.transaction())
        return unusable();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO shows (address, title, format, quality, sound, followed_at, etag,"
                                  " last_modified) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    show.followedAt = QDateTime::currentDateTime();
    for (const QVariant &value :
         {textOf(show.address), textOf(show.title), QVariant(rawValue(show.format)), QVariant(rawValue(show.quality)),
          textOf(rawValue(show.sound)), secondsOf(show.followedAt), textOf(show.etag), textOf(show.lastModified)})
        insert.addBindValue(value);
    bool stored = insert.exec();
    show.id = insert.lastInsertId().toLongLong();
    QSqlQuery episode(db);
    episode.prepare(QStringLiteral("INSERT OR IGNORE INTO show_episodes (show, identity) VALUES (?, ?)"));
    for (qsizetype i = 0; stored && i < episodes.size(); ++i) {
        episode.addBindValue(show.id);
        episode.addBindValue(episodes.at(i));
        stored = episode.exec();
    }
    if (stored && db.commit())
        return show;
    db.rollback();
    return unusable();
}

bool Shows::unfollow(qint64 id)
{
    QSqlDatabase db = database();
    if (!db.isValid() || !db.transaction())
        return false;
    QSqlQuery query(db);
    for (const char *statement : {"DELETE FROM show_episodes WHERE show = ?", "DELETE FROM shows WHERE id = ?"}) {
        query.prepare(QString::fromLatin1(statement));
        query.addBindValue(id);
        if (!query.exec()) {
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

QSet<QString> Shows::episodes(qint64 id)
{
    QSet<QString> found;
    QSqlDatabase db = database();
    if (!db.isValid())
        return found;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT identity FROM show_episodes WHERE show = ?"));
    query.addBindValue(id);
    if (query.exec())
        while (query.next())
            found.insert(query.value(0).toString());
    return found;
}

bool Shows::noteCheck(const Show &show)
{
    QSqlDatabase db = database();
    if (!db.isValid())
        return false;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("UPDATE shows SET address = ?, title = ?, checked_at = ?, arrived = ?,"
                                 " problem = ?, etag = ?, last_modified = ?, owed = ? WHERE id = ?"));
    for (const QVariant &value :
         {textOf(show.address), textOf(show.title), secondsOf(show.checkedAt), QVariant(show.arrived),
          textOf(show.problem), textOf(show.etag), textOf(show.lastModified), QVariant(show.owed), QVariant(show.id)})
        query.addBindValue(value);
    return query.exec();
}

bool Shows::noteEpisode(qint64 id, const QString &identity, bool arrived)
{
    QSqlDatabase db = database();
    if (!db.isValid() || !db.transaction())
        return false;
    QSqlQuery insert(db), update(db);
    insert.prepare(QStringLiteral("INSERT OR IGNORE INTO show_episodes (show, identity) VALUES (?, ?)"));
    insert.addBindValue(id);
    insert.addBindValue(identity);
    update.prepare(arrived ? QStringLiteral("UPDATE shows SET arrived = arrived + 1, arrived_at = ?,"
                                            " owed = max(owed - 1, 0) WHERE id = ?")
                           : QStringLiteral("UPDATE shows SET owed = max(owed - 1, 0) WHERE id = ?"));
    if (arrived)
        update.addBindValue(QDateTime::currentSecsSinceEpoch());
    update.addBindValue(id);
    if (insert.exec() && update.exec() && db.commit())
        return true;
    db.rollback();
    return false;
}

} // namespace tovel
