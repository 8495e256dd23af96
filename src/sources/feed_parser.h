#pragma once

#include "core/media.h"

#include <QByteArray>
#include <QUrl>

#include <optional>

namespace tovel {

// What a feed says of itself: its show's title, and where it has moved to (<itunes:new-feed-url>,
// only an http or https address).
struct FeedFacts
{
    QString title;
    std::optional<QUrl> newAddress;
};

// Reads an RSS or Atom document and returns one item per RSS item or Atom entry with an audio or video
// enclosure, in document order. Damage that podcast apps read past (a bare "&", bytes that are not UTF-8, references
// to characters XML forbids, control characters) is mended, so every item comes back; a document that
// breaks off, or whose tags do not match, keeps the items completed before that point.
// Enclosure links relative to the feed are resolved against `address`, where it came from.
// `notice`, when given, gets a sentence for the user when the feed needed mending or broke off, and
// stays empty otherwise. `facts`, when given, gets what the feed says of itself.
[[nodiscard]] MediaItems parseFeed(const QByteArray &document, const QUrl &address = {}, QString *notice = nullptr,
                                   FeedFacts *facts = nullptr);

} // namespace tovel
