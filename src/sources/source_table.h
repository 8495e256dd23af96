#pragma once

#include "core/error.h"
#include "core/http.h"
#include "core/media.h"

#include <QCoroTask>

namespace tovel {

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
    // `notices` gets what the user should know of a source read despite its faults; sources that cannot
    // be cancelled or have nothing to tell ignore the last two.
    QCoro::Task<Result<MediaItems>> (*resolve)(QString input, std::shared_ptr<Cancellation> cancellation,
                                               std::shared_ptr<QStringList> notices);
};

// Every built-in source, in the order they claim an input: the first that accepts it reads it. A new
// source is a row here and its class.
[[nodiscard]] const QList<SourceType> &sourceTypes();

} // namespace tovel
