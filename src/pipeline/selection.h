#pragma once

#include "core/error.h"
#include "core/media.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// Which of an input's items to gather, when not all: by their numbers as `tovel list` prints them,
// published on or after a day, or with a word in their title.

namespace tovel {

struct Selection
{
    QList<QPair<int, int>> numbers; // ranges, from 1, both ends included; none: every number
    std::optional<QDate> since;     // items dated before it are left out (an undated one stays)
    QString match;                  // left out unless the title holds it, in any case; empty: any title

    [[nodiscard]] bool any() const { return !numbers.isEmpty() || since || !match.isEmpty(); }
};

// Reads "1,3-5" (spaces allowed), "YYYY-MM-DD" and a text; a sentence for the user when one is not
// what it should be.
[[nodiscard]] Result<Selection> parseSelection(const QString &pick, const QString &since, const QString &match);

// The items `selection` takes, in their order, each with an identity of its own: items that share one (a
// feed giving two episodes one guid) are still two things to save, the later told apart by their place
// among them. A sentence for the user when the selection takes none of them.
[[nodiscard]] Result<MediaItems> selectItems(const MediaItems &items, const Selection &selection);

} // namespace tovel
