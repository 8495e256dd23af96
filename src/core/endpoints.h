#pragma once

#include <QString>

// Every outside address the program speaks to, each in one place.
namespace tovel::endpoints {

inline const QString homePage = QStringLiteral("https://tovel.app");

inline const QString archiveHost = QStringLiteral("archive.org");
// The registered domain of the archive host: link recognition and one message use it.
inline const QString archiveDomain = QStringLiteral("archive.org");

inline const QString commonsHost = QStringLiteral("commons.wikimedia.org");
inline const QString wikimediaDomain = QStringLiteral("wikimedia.org");
inline const QString wikipediaDomain = QStringLiteral("wikipedia.org");

} // namespace tovel::endpoints
