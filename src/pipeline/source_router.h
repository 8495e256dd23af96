#pragma once

#include "sources/source_table.h"

namespace tovel {

// Picks the source that reads an input and resolves it; holds no state.
namespace SourceRouter {

[[nodiscard]] QString normalizedPath(const QString &input);
// The first source in `sourceTypes()` that reads the input; null when none does.
[[nodiscard]] const SourceType *sourceType(const QString &input);
// A cancelled resolution ends with `cancelledError()` as soon as its request is aborted.
QCoro::Task<Result<MediaItems>> resolve(QString input, ResolveContext context = {});
[[nodiscard]] QString hint(const QString &input);

} // namespace SourceRouter

} // namespace tovel
