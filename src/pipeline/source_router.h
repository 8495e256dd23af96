#pragma once

#include "core/error.h"
#include "core/http.h"
#include "core/media.h"

#include <QCoroTask>

#include <optional>

namespace tovel {

// The built-in sources, in declaration order (not the order they are consulted in).
enum class SourceType { local, direct, podcast, archive, folder, wikimedia };

[[nodiscard]] QString identifier(SourceType type);
[[nodiscard]] QString label(SourceType type);

// Picks the source that reads an input and resolves it; holds no state.
namespace SourceRouter {

[[nodiscard]] QString normalizedPath(const QString &input);
[[nodiscard]] std::optional<SourceType> sourceType(const QString &input);
// A cancelled resolution ends with `cancelledError()` as soon as its request is aborted. `notices`, when
// given, gets what the user should know of a source read despite its faults (a damaged feed).
QCoro::Task<Result<MediaItems>> resolve(QString input, std::shared_ptr<Cancellation> cancellation = {},
                                        std::shared_ptr<QStringList> notices = {});
[[nodiscard]] QString hint(const QString &input);

} // namespace SourceRouter

} // namespace tovel
