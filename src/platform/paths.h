#pragma once

#include <QFile>
#include <QString>

#include <expected>
#include <memory>
#include <optional>

// Where things live on this machine.
namespace tovel::paths {

// Why the home folder cannot take what Tovel keeps there (HOME unset or empty, not a full path, not a
// folder, not writable), as a sentence for the user; nothing when it can. The Downloads folder, the
// history, the settings and crash reports all live under it, so with a problem here nothing is written.
[[nodiscard]] std::optional<QString> homeProblem();

// The user's Downloads folder, created when it is missing (and the home folder is usable).
[[nodiscard]] QString downloads();
// Where the Downloads folder is, without creating it.
[[nodiscard]] QString downloadsLocation();
// The system temporary folder (honours TMPDIR).
[[nodiscard]] QString temporary();
// The application-support folder: ~/.local/share/Tovel.
[[nodiscard]] QString applicationSupport();
// The first existing of <exe dir>/resources (build tree) and <exe dir>/../share/tovel (installed).
// The environment variable TOVEL_RESOURCES names another folder instead (set but empty: there is none).
[[nodiscard]] std::optional<QString> resources();

// A name for a temporary file of ours: "tovel-", who made it (`ownerStamp`), a fresh upper-case UUID,
// then the given suffix ("tovel-4242.1830456-0F…E1.download"), so a leftover tells whether its maker
// still runs.
[[nodiscard]] QString temporaryName(const QString &suffix);

// Creates a new file (never an existing one) that only this user may read or write, opened for
// writing; the error's description otherwise.
[[nodiscard]] std::expected<std::unique_ptr<QFile>, QString> createPrivateFile(const QString &path);
// Gives a file of ours the permissions any new file of the user's gets (0666 less the umask), as one
// made private while it was written must have once it is saved.
bool giveUsualPermissions(const QString &path);
// Creates a new folder that only this user may enter.
[[nodiscard]] bool createPrivateFolder(const QString &path);

} // namespace tovel::paths
