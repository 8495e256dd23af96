#pragma once

#include "core/error.h"
#include "core/media.h"

#include <QCoroTask>
#include <QUrl>

#include <optional>

namespace tovel {

// One file on disk becomes one item, whatever its extension.
struct LocalFileSource
{
    static bool accepts(const QString &input);
    QCoro::Task<Result<MediaItems>> resolve(QString input) const;
};

// Every media file lying directly in a folder, in file-browser order.
struct LocalFolderSource
{
    static bool accepts(const QString &input);
    QCoro::Task<Result<MediaItems>> resolve(QString input) const;
};

// The listing and sort behind LocalFolderSource, synchronous; callers run it off the GUI thread.
[[nodiscard]] Result<MediaItems> listFolder(const QString &path);

// Whether typed text is meant as a path (it starts with "/", "~", "./", "../" or "file://"), whether or not
// anything is there.
[[nodiscard]] bool looksLikePath(const QString &input);

// The sentence for a path that names nothing, quoting it as it was typed.
[[nodiscard]] Error nothingAtPath(const QString &input);

// A file name is bytes, and Qt reads them as UTF-8: a name written by an older system ("caf\xe9.wav")
// comes out with U+FFFD in it and no longer opens. These keep the bytes themselves.

// The bytes of an existing path (a dangling link counts). A component that does not encode back to
// what is on disk is found in its folder by the name Qt shows for it; `ambiguous` is set when two
// entries there show the same.
[[nodiscard]] std::optional<QByteArray> localPathBytes(const QString &path, bool *ambiguous = nullptr);
// A file URL that holds those bytes exactly (percent-encoded where they are not UTF-8).
[[nodiscard]] QUrl localFileUrl(const QByteArray &path);
// The bytes a file URL names.
[[nodiscard]] QByteArray localFileBytes(const QUrl &url);
// Whether Qt's own file functions can reach these bytes through a QString.
[[nodiscard]] bool roundTrips(const QByteArray &path);
// A file name as a person reads it: UTF-8 where it is UTF-8, any other byte as its Latin-1 character
// (the likeliest meaning on such disks), or U+FFFD for a byte that would be a control.
[[nodiscard]] QString displayName(const QByteArray &name);

// Turns typed text into a file-system path: trims, unwraps a file:// link, expands a leading tilde.
[[nodiscard]] QString normalizedPath(const QString &input);

} // namespace tovel
