#pragma once

#include "core/error.h"
#include "core/http.h"
#include "core/media.h"

#include <QCoroTask>

namespace tovel {

// What a source reads with, handed to it by whoever asks: no source reaches for it itself.
struct ResolveContext
{
    // The user agent its requests carry; none: the built-in one.
    std::optional<QString> userAgent = {};
    std::shared_ptr<Cancellation> cancellation = {};
    // Gets what the user should know of a source read despite its faults (a damaged feed).
    std::shared_ptr<QStringList> notices = {};
    // The waits in seconds before the second, third and fourth tries of a feed host that answered 408,
    // 429 or 5xx without a Retry-After.
    QList<int> retryWaits{1, 4, 15};
};

// One way of reading what the user gives, and how the window and the command line speak of it.
struct SourceType
{
    QString identifier; // the name the command line and the tests use
    QString label;
    // The badge word while typing; empty when this source shows as the next one that also reads the input
    // (a Commons upload is badged as the direct link it is).
    QString kindWord;
    QString hint; // the sentence under the field
    bool (*accepts)(const QString &input);
    // Sources that cannot be cancelled or have nothing to tell take only what they use of the context.
    QCoro::Task<Result<MediaItems>> (*resolve)(QString input, ResolveContext context);
};

// Every built-in source, in the order they claim an input: the first that accepts it reads it. A new
// source is a row here and its class.
[[nodiscard]] const QList<SourceType> &sourceTypes();

} // namespace tovel
