#include "ui/choice_list.h"

#include "core/http.h"
#include "engine/manifest.h"
#include "pipeline/history.h"
#include "pipeline/source_router.h"
#include "platform/paths.h"
#include "ui/gathering.h"

#include <QLocale>
#include <QPointer>

#include <algorithm>

namespace tovel {

ChoiceList::ChoiceList(QObject *parent) : QAbstractListModel(parent) {}

ChoiceList::~ChoiceList()
{
    if (m_reading)
        m_reading->cancel();
}

int ChoiceList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ChoiceList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case TitleRole: return row.item.title;
    case DetailRole: {
        QStringList facts;
        const QDate day = QDate::fromString(row.item.tags.date, Qt::ISODate);
        if (day.isValid())
            facts << QLocale().toString(day, QLocale::ShortFormat);
        else if (!row.item.tags.date.isEmpty())
            facts << row.item.tags.date;
        if (row.item.length) {
            const qint64 minutes = (*row.item.length + 30'000) / 60'000;
            facts << (minutes >= 60 ? tr("%1 h %2 min").arg(minutes / 60).arg(minutes % 60)
                                    : tr("%1 min").arg(std::max<qint64>(1, minutes)));
        }
        if (row.item.listed.size > 0)
            facts << QLocale().formattedDataSize(row.item.listed.size);
        return facts.join(QStringLiteral(" \u00b7 "));
    }
    case SavedRole: return row.saved;
    case CheckedRole: return row.checked;
    default: return {};
    }
}

QHash<int, QByteArray> ChoiceList::roleNames() const
{
    return {{TitleRole, "title"}, {DetailRole, "detail"}, {SavedRole, "saved"}, {CheckedRole, "checked"}};
}

int ChoiceList::checkedCount() const
{
    return int(std::count_if(m_rows.cbegin(), m_rows.cend(), [](const Row &row) { return row.checked; }));
}

void ChoiceList::load(const QString &input, int format, int quality, int sound)
{
    read(input, Gathering::formatAt(format), Gathering::qualityAt(quality), Gathering::soundAt(sound));
}

QCoro::Task<void> ChoiceList::read(QString input, AudioFormat format, AudioQuality quality, SoundOptions sound)
{
    if (m_reading)
        m_reading->cancel();
    auto cancellation = std::make_shared<Cancellation>();
    m_reading = cancellation;
    beginResetModel();
    m_rows.clear();
    endResetModel();
    m_loading = true;
    m_error.clear();
    emit loadingChanged();
    emit checkedChanged();
    QPointer<ChoiceList> self(this);
    ResolveContext context;
    context.userAgent = ManifestStore::shared().manifest().userAgent;
    context.cancellation = cancellation;
    const Result<MediaItems> items = co_await SourceRouter::resolve(input.trimmed(), context);
    if (!self || cancellation->isCancelled())
        co_return;
    m_reading.reset();
    QList<Row> rows;
    if (!items) {
        m_error = items.error().description();
    } else {
        History history;
        const QString downloads = paths::downloads();
        for (qsizetype i = 0; i < items->size(); ++i) {
            const MediaItem &item = items->at(i);
            rows.append({item, int(i) + 1,
                         history.savedOutput(item.identity, format, quality, sound, downloads).has_value(), true});
        }
        // Newest first; what has no date keeps its place after the dated ones.
        std::stable_sort(rows.begin(), rows.end(),
                         [](const Row &a, const Row &b) { return a.item.tags.date > b.item.tags.date; });
    }
    beginResetModel();
    m_rows = rows;
    endResetModel();
    m_loading = false;
    emit loadingChanged();
    emit checkedChanged();
}

void ChoiceList::setChecked(int row, bool checked)
{
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).checked == checked)
        return;
    m_rows[row].checked = checked;
    emit dataChanged(index(row), index(row), {CheckedRole});
    emit checkedChanged();
}

void ChoiceList::checkAll(bool checked)
{
    for (int row = 0; row < m_rows.size(); ++row)
        setChecked(row, checked);
}

void ChoiceList::checkNewest(int count)
{
    for (int row = 0; row < m_rows.size(); ++row)
        setChecked(row, row < count);
}

QString ChoiceList::picked() const
{
    QList<int> numbers;
    for (const Row &row : m_rows)
        if (row.checked)
            numbers << row.number;
    std::sort(numbers.begin(), numbers.end());
    // Runs of numbers become ranges: "1-3,7".
    QStringList parts;
    for (qsizetype i = 0; i < numbers.size();) {
        qsizetype j = i;
        while (j + 1 < numbers.size() && numbers.at(j + 1) == numbers.at(j) + 1)
            ++j;
        parts << (j == i ? QString::number(numbers.at(i))
                         : QStringLiteral("%1-%2").arg(numbers.at(i)).arg(numbers.at(j)));
        i = j + 1;
    }
    return parts.join(u',');
}

} // namespace tovel
