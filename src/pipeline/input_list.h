#pragma once

#include "core/error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Several inputs given as one: a pasted list (an input a line), or a file that lists them, a line each
// (".txt") or as the outlines of an OPML document (".opml", the form podcast apps export). Each is then
// gathered on its own, with its own cap.

namespace tovel {

// The most a list file may weigh; a bigger one is no list of ours.
inline constexpr qint64 maxListBytes = 1024 * 1024;

// The inputs of a list, a line each: lines that hold nothing or begin with "#" are left out, and an input
// given twice is gathered once.
[[nodiscard]] QStringList lineInputs(const QString &text);

// The feeds an OPML document's outlines name (their xmlUrl, else their url), in order, once each; none
// when it is not OPML.
[[nodiscard]] std::optional<QStringList> opmlInputs(const QByteArray &document);

// The inputs a list file holds: the outlines of an OPML document, else a line each. A sentence for the
// user when it cannot be read or lists nothing.
[[nodiscard]] Result<QStringList> inputsInFile(const QString &path);

// Whether `input` is meant as several inputs, told from its text alone (several lines, or a path to a
// ".txt" or ".opml" file), without looking at the disk.
[[nodiscard]] bool looksLikeList(const QString &input);

// What `input` lists when it is several inputs: several lines, or the path of a list file. Nothing when
// it is one input; a sentence for the user when the list file cannot be read or lists nothing.
[[nodiscard]] std::optional<Result<QStringList>> listedInputs(const QString &input);

} // namespace tovel
