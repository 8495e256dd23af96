#pragma once

#include "core/media.h"

#include <QByteArray>
#include <QUrl>

namespace tovel {

// Reads an RSS document and returns one item per feed item with an audio or video enclosure, in
// document order. A parse that stops on malformed XML keeps the items completed before the error.
// Enclosure links relative to the feed are resolved against `address`, where it came from.
[[nodiscard]] MediaItems parseFeed(const QByteArray &document, const QUrl &address = {});

} // namespace tovel
