#pragma once

#include <QJsonValue>

#include <cmath>
#include <optional>

namespace tovel {

// A JSON number that is a whole number a double holds exactly; JSON gives every number as a double.
[[nodiscard]] inline std::optional<qint64> wholeNumber(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || std::abs(number) > 9007199254740992.0)
        return std::nullopt;
    return qint64(number);
}

} // namespace tovel
