#pragma once

#include <QString>

// Every outside address the program speaks to, each in one place. The archive and Commons services
// can be pointed elsewhere (scheme, host and port) for tests and staging:
//   TOVEL_ARCHIVE_BASE, TOVEL_COMMONS_BASE, TOVEL_MANIFEST_URL, TOVEL_UPDATE_URL.
namespace tovel::endpoints {

inline const QString homePage = QStringLiteral("https://tovel.app");
inline const QString manifestUrl = QStringLiteral("https://tovel.app/manifest.json");
inline const QString updateUrl = QStringLiteral("https://tovel.app/appcast.json");

inline const QString archiveHost = QStringLiteral("archive.org");
// The registered domain of the archive host: link recognition and one message use it.
inline const QString archiveDomain = QStringLiteral("archive.org");
inline const QString archiveSearchEndpoint = QStringLiteral("https://archive.org/advancedsearch.php");

inline const QString commonsHost = QStringLiteral("commons.wikimedia.org");
inline const QString wikimediaDomain = QStringLiteral("wikimedia.org");
inline const QString wikipediaDomain = QStringLiteral("wikipedia.org");

// "https://archive.org", or TOVEL_ARCHIVE_BASE.
[[nodiscard]] QString archiveBase();
// "https://commons.wikimedia.org", or TOVEL_COMMONS_BASE.
[[nodiscard]] QString commonsBase();
// The manifest's address on the product's site, or TOVEL_MANIFEST_URL.
[[nodiscard]] QString manifestAddress();
// The update notice's address on the product's site, or TOVEL_UPDATE_URL.
[[nodiscard]] QString updateAddress();

} // namespace tovel::endpoints
