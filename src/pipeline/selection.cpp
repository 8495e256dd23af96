#include "pipeline/selection.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

namespace tovel {

Result<Selection> parseSelection(const QString &pick, const QString &since, const QString &match)
{
    Selection selection;
    static const QRegularExpression range(QStringLiteral("^\\s*(\\d{1,6})\\s*(?:-\\s*(\\d{1,6})\\s*)?$"));
    if (!pick.trimmed().isEmpty()) {
        for (const QString &part : pick.split(u',')) {
            const auto found = range.match(part);
            const int first = found.captured(1).toInt();
            const int last = found.captured(2).isEmpty() ? first : found.captured(2).toInt();
            if (!found.hasMatch() || first < 1 || last < first)
                return fail(Error::plain(
                    QCoreApplication::translate("Tovel", "Pick items by their numbers in tovel list, such as 1,3-5.")));
            selection.numbers.append({first, last});
        }
    }
    if (!since.trimmed().isEmpty()) {
        const QDate day = QDate::fromString(since.trimmed(), Qt::ISODate);
        if (!day.isValid())
            return fail(
                Error::plain(QCoreApplication::translate("Tovel", "Give the day as YYYY-MM-DD, such as 2026-01-31.")));
        selection.since = day;
    }
    selection.match = match.trimmed();
    return selection;
}

Result<MediaItems> selectItems(const MediaItems &items, const Selection &selection)
{
    MediaItems taken;
    QHash<QString, int> seen;
    for (qsizetype i = 0; i < items.size(); ++i) {
        MediaItem item = items.at(i);
        if (const int n = ++seen[item.identity]; n > 1 && !item.identity.isEmpty())
            item.identity += QStringLiteral(" #%1").arg(n);
        const int number = int(i) + 1;
        if (!selection.numbers.isEmpty()
            && std::none_of(selection.numbers.cbegin(), selection.numbers.cend(),
                            [number](const auto &r) { return number >= r.first && number <= r.second; }))
            continue;
        // A date of a year alone counts as that year's first day.
        const QString &date = item.tags.date;
        const QDate day = date.size() == 4 ? QDate(date.toInt(), 1, 1) : QDate::fromString(date, Qt::ISODate);
        if (selection.since && day.isValid() && day < *selection.since)
            continue;
        if (!selection.match.isEmpty() && !item.title.contains(selection.match, Qt::CaseInsensitive))
            continue;
        taken.append(item);
    }
    if (taken.isEmpty() && !items.isEmpty())
        return fail(Error::plain(QCoreApplication::translate("Tovel", "None of the %n items is one of those asked for.",
                                                             nullptr, int(items.size()))));
    return taken;
}

} // namespace tovel
