#pragma once

#include "sources/source_table.h"

namespace tovel {

// Picks the source that reads an input and resolves it; holds no state.
namespace SourceRouter {

[[nodiscard]] QString normalizedPath(const QString &input);
// The first source in `sourceTypes()` that reads the input; null when none does.
[[nodiscard]] const SourceType *sourceType(const QString &input);
// A cancelled resolution ends with `cancelledError()` as soon as its request is aborted. `notices`, when
// given, gets what the user should know of a source read despite its faults (a damaged feed).
QCoro::Task<Result<MediaItems>> resolve(QString input, std::shared_ptr<Cancellation> cancellation = {},
                                        std::shared_ptr<QStringList> notices = {});
[[nodiscard]] QString hint(const QString &input);

} // namespace SourceRouter

} // namespace tovel
