#pragma once

#include <QString>

#include <optional>

// Where things live on this machine.
namespace tovel::paths {

// The user's Downloads folder, created when it is missing.
[[nodiscard]] QString downloads();
// The system temporary folder (honours TMPDIR).
[[nodiscard]] QString temporary();
// The application-support folder: ~/.local/share/Tovel.
[[nodiscard]] QString applicationSupport();
// The first existing of <exe dir>/resources (build tree) and <exe dir>/../share/tovel (installed).
// The environment variable TOVEL_RESOURCES names another folder instead (set but empty: there is none).
[[nodiscard]] std::optional<QString> resources();

// A name for a temporary file of ours: a fresh upper-case UUID, a hyphen, then the given name.
[[nodiscard]] QString temporaryName(const QString &name);

} // namespace tovel::paths
