#pragma once

#include <QDate>
#include <QDateTime>
#include <QStringView>

#include <optional>

namespace tovel {

// A date as feeds and HTTP servers write it, read the same way everywhere:
// - RFC 822/2822 and HTTP dates, however loosely written: "Tue, 02 Jan 2024 10:00:00 GMT", a named zone
//   (GMT, UT, UTC, Z, EST…PDT, the usual European and Pacific ones, a military letter), a numeric offset
//   ("+0100", "-05:00"), no seconds or no time at all, a one-digit day, a wrong or missing weekday, a
//   two-digit year (00–49 is 20xx, 50–99 is 19xx), extra spaces, any case; and the older HTTP forms
//   ("Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994").
// - ISO 8601 as dc:date and Atom write it: "2024-03-05", "2024-03-05T10:20:30Z", with an offset or a
//   fraction of a second.
// A date with no zone is taken as UTC. Nothing when the text is no date, or names a day that never was.
[[nodiscard]] std::optional<QDateTime> parseDate(QStringView text);

// The calendar day the writer meant, in their own zone: "Tue, 02 Jan 2024 23:30:00 -0500" is 2 January,
// though it was already the 3rd in UTC. What an episode's date tag says.
[[nodiscard]] std::optional<QDate> parseWrittenDay(QStringView text);

// "2026-12-07": a day as tags hold it, written without QDate::toString's locale machinery, which costs
// more than reading the date did. Empty for a year outside 1–9999.
[[nodiscard]] QString isoDay(QDate day);

} // namespace tovel
