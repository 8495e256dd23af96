#pragma once

#include "core/error.h"
#include "core/media.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <optional>

namespace tovel {

class History;

// A show the user follows: its feed is read again now and then, and each episode that has appeared
// since is gathered in the show's own format and quality.
struct Show
{
    qint64 id = 0;
    QString address; // where the feed is read now; it follows the feed when it moves
    QString title;
    AudioFormat format = AudioFormat::mp3;
    AudioQuality quality = AudioQuality::best;
    SoundOptions sound;
    QDateTime followedAt;
    QDateTime checkedAt; // invalid until the first check
    int arrived = 0;     // episodes saved since the last check began
    QDateTime arrivedAt; // when an episode last arrived; invalid when none has yet
    QString problem;     // why the last check failed, a sentence; empty when it did not
    // What the feed's host said of the copy last read, to be asked only for something newer.
    QByteArray etag;
    QByteArray lastModified;
    // New episodes the last check found but did not save: the next check reads the feed whole again.
    int owed = 0;

    // The address as it is shown and printed: without the user name and password it may carry.
    [[nodiscard]] QString shownAddress() const;
    // The title, else the shown address.
    [[nodiscard]] QString name() const;
};

// The shows as an OPML 2.0 document, an outline each, as podcast apps import them. Addresses are
// written whole: a private feed cannot be read without what it carries.
[[nodiscard]] QString showsOpml(const QList<Show> &shows);

// The shows followed, kept in the history's database: removing a show forgets its episodes, nothing
// else. Every call is its own transaction; a database that cannot be used makes each fail, and the
// history's notices say why.
class Shows
{
public:
    explicit Shows(std::shared_ptr<History> history);

    // In the order they were followed; nothing when the database cannot be used.
    [[nodiscard]] std::optional<QList<Show>> list();
    // The show followed at `address`, or numbered `number` (from 1, as `list` orders them).
    [[nodiscard]] std::optional<Show> find(const QString &addressOrNumber);
    // Follows a show whose feed lists `episodes` (their identities) now: only later ones will be new.
    // Fails with a sentence when it is followed already, or the database cannot be used.
    Result<Show> follow(Show show, const QStringList &episodes);
    bool unfollow(qint64 id);

    // The identities of the episodes the show's feed listed when it was last read whole.
    [[nodiscard]] QSet<QString> episodes(qint64 id);
    // Stores what a check found: address, title, the time, the host's validators, and what is owed.
    bool noteCheck(const Show &show);
    // One of the show's new episodes is done with: saved now (it `arrived`), or found saved already.
    bool noteEpisode(qint64 id, const QString &identity, bool arrived);

private:
    // The history's open database; an invalid one when it cannot be used.
    [[nodiscard]] QSqlDatabase database() const;

    std::shared_ptr<History> m_history;
};

} // namespace tovel
