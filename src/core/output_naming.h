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

// A hidden file in `destination` (created when missing) for an output to be written under until it is
// complete and checked: ".tovel-PID.START-UUID.part.mp3", so ffmpeg still knows the format by its extension,
// and a leftover can be told as ours and whose. The caller owns the empty file it gets back.
[[nodiscard]] Result<QString> stagingOutput(AudioFormat format, const QString &destination);

// Moves a complete output from its hidden name to the first free of "Title.ext", "Title 2.ext", ... in
// `destination`, never replacing anything there, even a file that appears meanwhile. Returns the final path.
[[nodiscard]] Result<QString> placeOutput(const QString &staged, const QString &title, AudioFormat format,
                                          const QString &destination,
                                          const QString &fallback = QStringLiteral("Audio"));

// Gives the complete file `staged` the name `path`, unless something is there already, even something
// that appears meanwhile; false then (errno EEXIST) or when it cannot be moved.
[[nodiscard]] bool placeUnlessTaken(const QString &staged, const QString &path);

} // namespace tovel
