#pragma once

#include "core/media.h"

#include <QByteArray>

namespace tovel {

// Reads an RSS document and returns one item per feed item with an audio or video enclosure, in
// document order. A parse that stops on malformed XML keeps the items completed before the error.
[[nodiscard]] MediaItems parseFeed(const QByteArray &document);

} // namespace tovel
