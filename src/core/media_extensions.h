#pragma once

#include <QSet>
#include <QString>

namespace tovel {

// The audio and video file extensions the local, direct and archive sources take, lower-case.
[[nodiscard]] const QSet<QString> &mediaExtensions();

// Lower-cases the extension and tests membership; an empty extension is never a member.
[[nodiscard]] bool isMediaExtension(const QString &extension);

// The text after the last dot of a file name (of a path's last component), as written; empty when
// there is none, and for a name that only starts with a dot.
[[nodiscard]] QString fileExtension(const QString &fileName);
// The file name without its last extension.
[[nodiscard]] QString baseName(const QString &fileName);

} // namespace tovel
