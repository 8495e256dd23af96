#pragma once

#include <QStringView>

#include <optional>

namespace tovel {

// The character an HTML 4 named entity ("nbsp", "hellip", "eacute") stands for; nothing for any other name.
[[nodiscard]] std::optional<char32_t> htmlEntity(QStringView name);

} // namespace tovel
