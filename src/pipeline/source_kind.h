#pragma once

#include <QString>

namespace tovel {

// The one-word source badge the Get pane shows while the user types ("File", "Archive", "Direct",
// "Feed", "Web", "Link"; a dash for nothing), and the command line's hint repeats.
[[nodiscard]] QString sourceKindWord(const QString &input, bool webEngineEnabled);

} // namespace tovel
