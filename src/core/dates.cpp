#include "core/dates.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QVarLengthArray>

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
    for (int i = 0; i < count; ++i)
        if (QLatin1String(names[size_t(i)]).startsWith(word, Qt::CaseInsensitive))
            return i + 1;
    return 0;
}

int monthNumber(QStringView word)
{
    static constexpr std::array<const char *, 12> months{"january",   "february", "march",    "april",
                                                         "may",       "june",     "july",     "august",
                                                         "september", "october",  "november", "december"};
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
    // "+0100", "-05:00", "GMT+1": read by hand, as nearly every date in a feed has one.
    QStringView rest = word;
    for (const char *prefix : {"GMT", "UTC", "UT"}) {
        if (rest.startsWith(QLatin1String(prefix), Qt::CaseInsensitive) && rest.size() > qsizetype(qstrlen(prefix))
            && (rest.at(qstrlen(prefix)) == u'+' || rest.at(qstrlen(prefix)) == u'-')) {
            rest = rest.mid(qsizetype(qstrlen(prefix)));
            break;
        }
    }
    if (!rest.isEmpty() && (rest.at(0) == u'+' || rest.at(0) == u'-')) {
        const int sign = rest.at(0) == u'-' ? -1 : 1;
        QStringView digits = rest.mid(1);
        const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
        qsizetype hourDigits = 0;
        while (hourDigits < digits.size() && hourDigits < 4 && isDigit(digits.at(hourDigits)))
            ++hourDigits;
        int hours = 0, minutes = 0;
        if (hourDigits == 4 && digits.size() == 4) {
            hours = digits.left(2).toInt();
            minutes = digits.mid(2).toInt();
        } else if ((hourDigits == 1 || hourDigits == 2) && digits.size() == hourDigits) {
            hours = digits.toInt();
        } else if ((hourDigits == 1 || hourDigits == 2) && digits.size() == hourDigits + 3
                   && digits.at(hourDigits) == u':' && isDigit(digits.at(hourDigits + 1))
                   && isDigit(digits.at(hourDigits + 2))) {
            hours = digits.left(hourDigits).toInt();
            minutes = digits.mid(hourDigits + 1).toInt();
        } else {
            return std::nullopt;
        }
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        return sign * (hours * 3600 + minutes * 60);
    }
    static const QHash<QString, int> named{
        {QStringLiteral("gmt"), 0},   {QStringLiteral("ut"), 0},    {QStringLiteral("utc"), 0},
        {QStringLiteral("z"), 0},     {QStringLiteral("est"), -5},  {QStringLiteral("edt"), -4},
        {QStringLiteral("cst"), -6},  {QStringLiteral("cdt"), -5},  {QStringLiteral("mst"), -7},
        {QStringLiteral("mdt"), -6},  {QStringLiteral("pst"), -8},  {QStringLiteral("pdt"), -7},
        {QStringLiteral("akst"), -9}, {QStringLiteral("akdt"), -8}, {QStringLiteral("hst"), -10},
        {QStringLiteral("wet"), 0},   {QStringLiteral("west"), 1},  {QStringLiteral("bst"), 1},
        {QStringLiteral("cet"), 1},   {QStringLiteral("cest"), 2},  {QStringLiteral("met"), 1},
        {QStringLiteral("mest"), 2},  {QStringLiteral("eet"), 2},   {QStringLiteral("eest"), 3},
        {QStringLiteral("jst"), 9},   {QStringLiteral("aest"), 10}, {QStringLiteral("aedt"), 11},
        {QStringLiteral("nzst"), 12}, {QStringLiteral("nzdt"), 13},
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
    // Milliseconds from the first three digits of a fraction: ".5" is 500.
    int milliseconds = 0;
    for (qsizetype i = 0; i < 3; ++i)
        milliseconds = milliseconds * 10 + (i < fraction.size() ? fraction.at(i).unicode() - u'0' : 0);
    // A leap second stands as the last second of its minute.
    const QTime time(hours, minutes, std::min(seconds, 59), milliseconds);
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
    static const QRegularExpression clock(
        QStringLiteral("^([0-9]{1,2}):([0-9]{2})(?::([0-9]{2})(?:[.,]([0-9]+))?)?(.*)$"));
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    const auto allDigits = [&isDigit](QStringView word) { return std::all_of(word.begin(), word.end(), isDigit); };
    // A time of day in any other form: "8:49", "08:49:37.5", "10:00:00GMT".
    const auto clockOf = [](QStringView word) -> std::optional<QRegularExpressionMatch> {
        if (!word.contains(u':'))
            return std::nullopt;
        QRegularExpressionMatch match = clock.match(word);
        return match.hasMatch() ? std::optional(std::move(match)) : std::nullopt;
    };

    // Feeds hold tens of thousands of dates: the common shape is read in place, without a regular
    // expression or a copy, where a plain look does.
    QString uncommented;
    if (text.contains(u'(')) {
        uncommented = text.toString().replace(comment, QStringLiteral(" "));
        text = uncommented;
    }
    QVarLengthArray<QStringView, 8> words;
    const auto add = [&words, &allDigits](QStringView word) {
        // "06-Nov-94", as the oldest HTTP servers write it.
        if (word.size() > 4 && word.at(0).isDigit() && word.contains(u'-')) {
            const QList<QStringView> parts = word.split(u'-');
            if (parts.size() == 3 && parts.at(0).size() <= 2 && allDigits(parts.at(0)) && !parts.at(1).isEmpty()
                && std::all_of(parts.at(1).begin(), parts.at(1).end(),
                               [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); })
                && parts.at(2).size() >= 2 && parts.at(2).size() <= 4 && allDigits(parts.at(2))) {
                words << parts.at(0) << parts.at(1) << parts.at(2);
                return;
            }
        }
        words << word;
    };
    qsizetype start = -1;
    for (qsizetype k = 0; k <= text.size(); ++k) {
        const bool gap = k == text.size() || text.at(k).isSpace() || text.at(k) == u',';
        if (gap && start >= 0) {
            add(text.sliced(start, k - start));
            start = -1;
        } else if (!gap && start < 0) {
            start = k;
        }
    }
    qsizetype first = 0;
    if (!words.isEmpty() && isWeekday(words.first()) && !monthNumber(words.first()))
        first = 1;

    QVarLengthArray<QStringView, 4> numbers;
    int month = 0;
    std::optional<QTime> time;
    std::optional<int> offset;
    for (qsizetype i = first; i < words.size(); ++i) {
        const QStringView word = words.at(i);
        const bool last = i == words.size() - 1;
        if (offset)
            return std::nullopt; // nothing follows the zone
        // The usual "10:20:30" by hand; anything else with a colon by the full pattern.
        if (word.size() == 8 && word.at(2) == u':' && word.at(5) == u':' && !time
            && std::all_of(word.begin(), word.end(), [&isDigit](QChar c) { return isDigit(c) || c == u':'; })) {
            time = timeOfDay(word.left(2).toInt(), word.mid(3, 2).toInt(), word.mid(6, 2).toInt(), {});
            if (!time)
                return std::nullopt;
        } else if (const auto match = clockOf(word)) {
            if (time)
                return std::nullopt;
            time = timeOfDay(match->capturedView(1).toInt(), match->capturedView(2).toInt(),
                             match->capturedView(3).toInt(), match->capturedView(4));
            if (!time)
                return std::nullopt;
            // "10:00:00GMT", "10:00:00+0100": the zone written onto the time.
            if (!match->capturedView(5).isEmpty()) {
                offset = last ? zoneOffset(match->capturedView(5)) : std::nullopt;
                if (!offset)
                    return std::nullopt;
            }
        } else if (allDigits(word)) {
            numbers << word;
        } else if (const int named = month ? 0 : monthNumber(word)) {
            month = named;
        } else if (last && month && numbers.size() == 2) {
            offset = zoneOffset(word);
            if (!offset)
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (!month || numbers.size() != 2 || numbers.at(0).size() > 2 || numbers.at(1).size() < 2
        || numbers.at(1).size() > 4)
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
    // ISO dates begin with a four-digit year and a dash; nothing else does.
    if (trimmed.size() >= 10 && trimmed.at(4) == u'-' && trimmed.at(0).isDigit())
        return readIso(trimmed);
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

QString isoDay(QDate day)
{
    int year = 0, month = 0, date = 0;
    day.getDate(&year, &month, &date);
    if (!day.isValid() || year < 1 || year > 9999)
        return {};
    QString text(10, u'-');
    const auto put = [&text](qsizetype at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + i] = QChar(u'0' + value % 10);
    };
    put(0, year, 4);
    put(5, month, 2);
    put(8, date, 2);
    return text;
}

} // namespace tovel
