#pragma once

#include "core/media.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace tovel {

// What was saved before, kept on this computer only: per saved file, the item it came from (its
// identity), the format and quality it was saved in and what was done to its sound, where it went, its
// size and modification time, and when. Gathering the same feed again then fetches only what is new. Links are kept
// without the user name and password they may carry.
//
// The database is opened on first use. One that cannot be read is set aside beside it (renamed with the
// time) and a fresh one started; one written by a newer Tovel is left alone and not used. Whatever goes
// wrong with it, gathering goes on as if nothing had been saved before.
class History
{
public:
    static constexpr int schemaVersion = 5;

    // ~/.local/share/Tovel/history.sqlite
    [[nodiscard]] static QString defaultPath();

    explicit History(QString path = defaultPath());
    ~History();
    History(const History &) = delete;
    History &operator=(const History &) = delete;

    // The newest file in `folder` that `identity` was saved to in that format and quality, with that done
    // to its sound, while it is
    // still there with the size and modification time it was saved with; a file deleted or changed since
    // (or one noted before times were kept) is not.
    [[nodiscard]] std::optional<QString> savedOutput(const QString &identity, AudioFormat format, AudioQuality quality,
                                                     const SoundOptions &sound, const QString &folder);
    // Notes one saved file, in a transaction of its own, replacing whatever was noted for that path before.
    // Called only once the file is complete; false when the database did not take it.
    bool record(const QString &identity, const QString &source, AudioFormat format, AudioQuality quality,
                const SoundOptions &sound, const QString &output);

    // Where each saved file came from, and what it was like when saved, keyed by path; read on a
    // connection of the calling thread's own. Empty when there is no history.
    struct Source
    {
        QString source;
        qint64 size = 0;
        QVariant modified; // milliseconds since the epoch; null when it was not noted
        // Whether `file` is still the one saved: the same size and modification time.
        [[nodiscard]] bool vouchesFor(const QFileInfo &file) const;
    };
    [[nodiscard]] static QHash<QString, Source> sources(const QString &path = defaultPath());

    // The open database's connection, for what is kept beside the history (the shows followed), on the
    // calling thread; empty when the database cannot be used, which `takeNotices` then explains.
    [[nodiscard]] QString connectionName();

    // What the user should know about the history since this was last asked, a sentence each: it was set
    // aside, comes from a newer Tovel, could not be opened or was busy, or saved files could not be noted.
    [[nodiscard]] QStringList takeNotices();

private:
    enum class Preparation { ready, damaged, busy, newer, refused };

    bool open();
    Preparation prepare();
    bool setAside();
    bool scrubCredentials();

    QString m_path;
    QString m_connection;
    enum class State { closed, open, unusable } m_state = State::closed;
    QDateTime m_retryAt;
    QStringList m_notices;
    QString m_failure; // SQLite's words for why the last preparation failed
    int m_unrecorded = 0;
};

} // namespace tovel
