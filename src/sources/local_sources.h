#pragma once

#include "core/error.h"
#include "core/media.h"

#include <QCoroTask>

namespace tovel {

// One file on disk becomes one item, whatever its extension.
struct LocalFileSource
{
    static inline const QString identifier = QStringLiteral("local");
    static inline const QString label = QStringLiteral("Local file");
    static bool accepts(const QString &input);
    QCoro::Task<Result<MediaItems>> resolve(QString input) const;
};

// Every media file lying directly in a folder, in file-browser order.
struct LocalFolderSource
{
    static inline const QString identifier = QStringLiteral("folder");
    static inline const QString label = QStringLiteral("Folder of files");
    static bool accepts(const QString &input);
    QCoro::Task<Result<MediaItems>> resolve(QString input) const;
};

// The listing and sort behind LocalFolderSource, synchronous; callers run it off the GUI thread.
[[nodiscard]] Result<MediaItems> listFolder(const QString &path);

// Turns typed text into a file-system path: trims, unwraps a file:// link, expands a leading tilde.
[[nodiscard]] QString normalizedPath(const QString &input);

} // namespace tovel
