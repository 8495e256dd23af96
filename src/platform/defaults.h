#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace tovel {

// The user's settings: ~/.config/Tovel/Tovel.conf. Every value is written when it is assigned, and
// nothing at all while the home folder is unusable.
class Defaults
{
public:
    [[nodiscard]] static bool boolean(const QString &key, bool fallback);
    [[nodiscard]] static std::optional<QString> text(const QString &key);
    static void set(const QString &key, const QVariant &value);

    static inline const QString migratedKey = QStringLiteral("migratedFromSandbox");
    // Where a sandboxed (Flatpak) install of ours kept the same settings.
    [[nodiscard]] static QString sandboxFileName();
    // Once per user: copies the settings of the sandboxed install that are not set here (the current
    // ones win), then marks the migration done, also when there was nothing to copy. A file that is
    // not a well-formed settings file gives nothing. Returns how many keys were copied.
    static int migrateFromSandbox(const QString &oldFile = sandboxFileName());
};

} // namespace tovel
