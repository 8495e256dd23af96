#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace tovel {

// The user's settings: ~/.config/Tovel/Tovel.conf. Every value is written when it is assigned.
class Defaults
{
public:
    [[nodiscard]] static bool boolean(const QString &key, bool fallback);
    [[nodiscard]] static std::optional<QString> text(const QString &key);
    static void set(const QString &key, const QVariant &value);
    static void remove(const QString &key);
    [[nodiscard]] static bool contains(const QString &key);
    // The settings file's path.
    [[nodiscard]] static QString fileName();
};

} // namespace tovel
