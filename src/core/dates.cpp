#include "core/dates.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <array>

namespace tovel {

namespace {

// A date as it was written: the wall-clock time and the offset east of UTC it was given in.
struct WrittenDate
{
    QDate date;
    QTime time;
    int offsetSeconds = 0;
};

// "jan", "Sept", "JANUARY": any start of at least three letters of the name, in any case.
int nameIndex(QStringView word, const std::array<const char *, 12> &names, int count)
{
    if (word.size() < 3)
        return 0;
    const QString lower = word.toString().toLower();
    for (int i = 0; i < count; ++i)
        if (QLatin1String(names[size_t(i)]).startsWith(lower))
            return i + 1;
    return 0;
}

int monthNumber(QStringView word)
{
    static constexpr std::array<const char *, 12> months{"january", "february", "march",     "april",   "may",      "june",
                                                         "july",    "august",   "september", "october", "november", "december"};
    return nameIndex(word, months, 12);
}

bool isWeekday(QStringView word)
{
    static constexpr std::array<const char *, 12> days{"monday", "tuesday",  "wednesday", "thursday",
                                                       "friday", "saturday", "sunday"};
    return nameIndex(word, days, 7) != 0;
}

// Seconds east of UTC for a zone as written: "+0100", "-05:00", "GMT+1", "GMT", "PDT", "Z".
std::optional<int> zoneOffset(QStringView word)
{
    static const QRegularExpression numeric(QStringLiteral("^(?:GMT|UTC|UT)?([+-])([0-9]{1,2})(?::?([0-9]{2}))?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (const auto match = numeric.match(word); match.hasMatch()) {
        const int hours = match.capturedView(2).toInt();
        const int minutes = match.capturedView(3).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        return (match.capturedView(1) == u'-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    }
    static const QHash<QString, int> named{
        {QStringLiteral("gmt"), 0},    {QStringLiteral("ut"), 0},     {QStringLiteral("utc"), 0},
        {QStringLiteral("z"), 0},      {QStringLiteral("est"), -5},   {QStringLiteral("edt"), -4},
        {QStringLiteral("cst"), -6},   {QStringLiteral("cdt"), -5},   {QStringLiteral("mst"), -7},
        {QStringLiteral("mdt"), -6},   {QStringLiteral("pst"), -8},   {QStringLiteral("pdt"), -7},
        {QStringLiteral("akst"), -9},  {QStringLiteral("akdt"), -8},  {QStringLiteral("hst"), -10},
        {QStringLiteral("wet"), 0},    {QStringLiteral("west"), 1},   {QStringLiteral("bst"), 1},
        {QStringLiteral("cet"), 1},    {QStringLiteral("cest"), 2},   {QStringLiteral("met"), 1},
        {QStringLiteral("mest"), 2},   {QStringLiteral("eet"), 2},    {QStringLiteral("eest"), 3},
        {QStringLiteral("jst"), 9},    {QStringLiteral("aest"), 10},  {QStringLiteral("aedt"), 11},
        {QStringLiteral("nzst"), 12},  {QStringLiteral("nzdt"), 13},
    };
    const QString lower = word.toString().toLower();
    if (const auto found = named.constFind(lower); found != named.constEnd())
        return *found * 3600;
    for (const QChar c : lower)
        if (c < u'a' || c > u'z')
            return std::nullopt;
    // A military letter (J is no zone): RFC 822 gave them the wrong sign, so they say nothing for sure
    // and are read as UTC, as RFC 2822 advises. Other zone names we do not know are read so too: a date
    // a few hours out beats an episode with none.
    if (lower.size() == 1)
        return lower == u'j' ? std::nullopt : std::optional<int>(0);
    if (lower.size() >= 3 && lower.size() <= 5)
        return 0;
    return std::nullopt;
}

std::optional<QTime> timeOfDay(int hours, int minutes, int seconds, QStringView fraction)
{
    // A leap second stands as the last second of its minute.
    const QTime time(hours, minutes, std::min(seconds, 59), fraction.left(3).toString().leftJustified(3, u'0').toInt());
    if (!time.isValid() || seconds > 60)
        return std::nullopt;
    return time;
}

// "2024-03-05", "2024-03-05T10:20:30Z", "2024-03-05T10:20:30.25+05:30".
std::optional<WrittenDate> readIso(QStringView text)
{
    static const QRegularExpression iso(
        QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})(?:[T ]([0-9]{2}):([0-9]{2})(?::([0-9]{2})(?:[.,]([0-9]+))?)?"
                       " *(Z|[+-][0-9]{2}(?::?[0-9]{2})?)?)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = iso.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    WrittenDate written;
    written.date = QDate(match.capturedView(1).toInt(), match.capturedView(2).toInt(), match.capturedView(3).toInt());
    if (!written.date.isValid())
        return std::nullopt;
    written.time = QTime(0, 0);
    if (match.hasCaptured(4)) {
        const auto time = timeOfDay(match.capturedView(4).toInt(), match.capturedView(5).toInt(),
                                    match.capturedView(6).toInt(), match.capturedView(7));
        if (!time)
            return std::nullopt;
        written.time = *time;
    }
    if (match.hasCaptured(8)) {
        const auto offset = zoneOffset(match.capturedView(8));
        if (!offset)
            return std::nullopt;
        written.offsetSeconds = *offset;
    }
    return written;
}

// RFC 822/2822 and the HTTP forms, read word by word: a weekday first (whatever day it names), the day
// and the year as the two numbers in that order, the month by name, the time by its colons, and a zone
// last.
std::optional<WrittenDate> readRfc822(QStringView text)
{
    static const QRegularExpression comment(QStringLiteral("\\([^()]*\\)"));
    static const QRegularExpression spaces(QStringLiteral("[\\s,]+"));
    static const QRegularExpression dashed(QStringLiteral("^([0-9]{1,2})-([A-Za-z]+)-([0-9]{2,4})$"));
    static const QRegularExpression clock(
        QStringLiteral("^([0-9]{1,2}):([0-9]{2})(?::([0-9]{2})(?:[.,]([0-9]+))?)?(.*)$"));
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));

    QString cleaned = text.toString();
    cleaned.replace(comment, QStringLiteral(" "));
    QStringList words;
    for (const QString &word : cleaned.split(spaces, Qt::SkipEmptyParts)) {
        // "06-Nov-94", as the oldest HTTP servers write it.
        if (const auto match = dashed.match(word); match.hasMatch())
            words << match.captured(1) << match.captured(2) << match.captured(3);
        else
            words << word;
    }
    if (!words.isEmpty() && isWeekday(words.first()) && !monthNumber(words.first()))
        words.removeFirst();

    QStringList numbers;
    int month = 0;
    std::optional<QTime> time;
    std::optional<int> offset;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        const bool last = i == words.size() - 1;
        if (offset)
            return std::nullopt; // nothing follows the zone
        if (const auto match = clock.match(word); match.hasMatch()) {
            if (time)
                return std::nullopt;
            time = timeOfDay(match.capturedView(1).toInt(), match.capturedView(2).toInt(),
                             match.capturedView(3).toInt(), match.capturedView(4));
            if (!time)
                return std::nullopt;
            // "10:00:00GMT", "10:00:00+0100": the zone written onto the time.
            if (!match.capturedView(5).isEmpty()) {
                offset = last ? zoneOffset(match.capturedView(5)) : std::nullopt;
                if (!offset)
                    return std::nullopt;
            }
        } else if (digits.match(word).hasMatch()) {
            numbers << word;
        } else if (!month && monthNumber(word)) {
            month = monthNumber(word);
        } else if (last && month && numbers.size() == 2) {
            offset = zoneOffset(word);
            if (!offset)
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (!month || numbers.size() != 2 || numbers.at(0).size() > 2 || numbers.at(1).size() < 2 || numbers.at(1).size() > 4)
        return std::nullopt;
    int year = numbers.at(1).toInt();
    if (numbers.at(1).size() == 2)
        year += year < 50 ? 2000 : 1900;
    else if (numbers.at(1).size() == 3)
        year += 1900; // how some programs wrote years after 1999
    WrittenDate written;
    written.date = QDate(year, month, numbers.at(0).toInt());
    if (!written.date.isValid())
        return std::nullopt;
    written.time = time.value_or(QTime(0, 0));
    written.offsetSeconds = offset.value_or(0);
    return written;
}

std::optional<WrittenDate> readWritten(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    if (auto iso = readIso(trimmed))
        return iso;
    return readRfc822(trimmed);
}

} // namespace

std::optional<QDateTime> parseDate(QStringView text)
{
    const auto written = readWritten(text);
    if (!written)
        return std::nullopt;
    return QDateTime(written->date, written->time, Qt::UTC).addSecs(-written->offsetSeconds);
}

std::optional<QDate> parseWrittenDay(QStringView text)
{
    const auto written = readWritten(text);
    if (!written)
        return std::nullopt;
    return written->date;
}

} // namespace tovel
