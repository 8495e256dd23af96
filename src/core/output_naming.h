#pragma once

#include "core/error.h"
#include "core/media.h"

namespace tovel {

// The longest file name most file systems hold, in bytes.
inline constexpr int maxFileNameBytes = 255;

// The title as a file name: "/" becomes "-", control characters become spaces, invisible format
// characters (direction overrides, zero-width marks) go, and it never starts with a dot nor ends in
// dots or spaces. `fallback` when nothing is left.
[[nodiscard]] QString outputBaseName(const QString &title, const QString &fallback = QStringLiteral("Audio"));

// `name` + `suffix`, with `name` shortened at a character boundary so the whole fits in `maxBytes` of UTF-8.
[[nodiscard]] QString fitFileName(const QString &name, const QString &suffix, int maxBytes = maxFileNameBytes,
                                  const QString &fallback = QStringLiteral("Audio"));

// Chooses "Title.ext", "Title 2.ext", ... in `destination` (creating the folder when missing) and claims the
// first free name by creating it exclusively, so no other job or program can take it meanwhile. The caller
// owns the empty file it gets back: ffmpeg overwrites it, and a failed job removes it.
[[nodiscard]] Result<QString> reserveOutput(const QString &title, AudioFormat format, const QString &destination,
                                            const QString &fallback = QStringLiteral("Audio"));

} // namespace tovel
