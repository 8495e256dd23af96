#include "core/chapters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace tovel {

namespace {

// Seconds as a JSON document gives them (a number, or a number written as text) in milliseconds.
std::optional<qint64> milliseconds(const QJsonValue &value)
{
    bool ok = value.isDouble();
    const double seconds = value.isString() ? value.toString().trimmed().toDouble(&ok) : value.toDouble();
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 1e9)
        return std::nullopt;
    return std::llround(seconds * 1000);
}

// One line's worth of text, as the forms chapters and cues are written in hold it.
QString oneLine(const QString &text)
{
    return text.simplified();
}

// "01:02:03.450", as WebVTT writes a time.
QString cueTime(qint64 ms)
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3'600'000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60'000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

// Text in a cue: WebVTT reads "&", "<" and ">" as markup.
QString cueText(const QString &text)
{
    QString escaped = text;
    escaped.replace(u'&', QLatin1String("&amp;")).replace(u'<', QLatin1String("&lt;"));
    return escaped.replace(u'>', QLatin1String("&gt;"));
}

} // namespace

std::optional<qint64> parseChapterTime(QStringView text)
{
    text = text.trimmed();
    qint64 fraction = 0;
    if (const qsizetype dot = text.indexOf(u'.'); dot >= 0) {
        const QStringView digits = text.sliced(dot + 1);
        if (digits.isEmpty() || digits.size() > 9)
            return std::nullopt;
        for (const QChar c : digits)
            if (!c.isDigit() || c.unicode() > u'9')
                return std::nullopt;
        // Milliseconds, rounded from as many digits as are given.
        fraction = std::llround(QStringLiteral("0.%1").arg(digits).toDouble() * 1000);
        text = text.first(dot);
    }
    const QList<QStringView> parts = text.split(u':');
    if (parts.size() > 3)
        return std::nullopt;
    qint64 total = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QStringView part = parts.at(i);
        if (part.isEmpty() || part.size() > 6)
            return std::nullopt;
        for (const QChar c : part)
            if (!c.isDigit() || c.unicode() > u'9')
                return std::nullopt;
        const qint64 value = part.toLongLong();
        // Minutes and seconds after a larger unit stay below 60.
        if (i > 0 && value >= 60)
            return std::nullopt;
        total = total * 60 + value;
    }
    return total * 1000 + fraction;
}

std::optional<Chapters> parseChaptersJson(const QByteArray &document)
{
    const QJsonDocument json = QJsonDocument::fromJson(document);
    const QJsonArray list = json.object().value(QLatin1String("chapters")).toArray();
    Chapters chapters;
    for (const QJsonValue &value : list) {
        const QJsonObject chapter = value.toObject();
        // A chapter left out of the table of contents only marks a picture or a link.
        if (chapter.value(QLatin1String("toc")) == QJsonValue(false))
            continue;
        if (const std::optional<qint64> start = milliseconds(chapter.value(QLatin1String("startTime"))))
            chapters.append({*start, oneLine(chapter.value(QLatin1String("title")).toString())});
    }
    chapters = tidyChapters(std::move(chapters));
    if (chapters.isEmpty())
        return std::nullopt;
    return chapters;
}

Chapters tidyChapters(Chapters chapters, std::optional<qint64> length)
{
    std::stable_sort(chapters.begin(), chapters.end(),
                     [](const Chapter &a, const Chapter &b) { return a.start < b.start; });
    Chapters tidy;
    for (const Chapter &chapter : chapters) {
        if ((length && chapter.start >= *length) || tidy.size() >= maxChapters)
            break;
        if (tidy.isEmpty() || tidy.last().start != chapter.start)
            tidy.append(chapter);
    }
    return tidy;
}

QByteArray chapterMetadata(const Chapters &chapters, std::optional<qint64> length)
{
    QByteArray text = ";FFMETADATA1\n";
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        const qint64 start = chapters.at(i).start;
        const qint64 end
            = i + 1 < chapters.size() ? chapters.at(i + 1).start : std::max(start + 1, length.value_or(start + 1000));
        // FFMETADATA1 takes "=", ";", "#" and a backslash literally only behind a backslash.
        QString title;
        for (const QChar c : oneLine(chapters.at(i).title)) {
            if (c == u'=' || c == u';' || c == u'#' || c == u'\\')
                title += u'\\';
            title += c;
        }
        text += "[CHAPTER]\nTIMEBASE=1/1000\nSTART=" + QByteArray::number(start) + "\nEND=" + QByteArray::number(end)
            + '\n';
        if (!title.isEmpty())
            text += "title=" + title.toUtf8() + '\n';
    }
    return text;
}

Chapters chaptersInSummary(QStringView summary)
{
    static const QRegularExpression chapter(
        QStringLiteral("^\\s*Chapter #\\d+:\\d+: start (-?\\d+(?:\\.\\d+)?), end (-?\\d+(?:\\.\\d+)?)"));
    static const QRegularExpression title(QStringLiteral("^\\s+title\\s*: (.*)$"));
    Chapters chapters;
    bool inChapter = false;
    for (const QStringView line : summary.split(u'\n')) {
        if (const QRegularExpressionMatch match = chapter.match(line.toString()); match.hasMatch()) {
            inChapter = true;
            chapters.append({std::max<qint64>(0, std::llround(match.captured(1).toDouble() * 1000)), QString()});
        } else if (line.contains(QLatin1String("Stream #")) || line.startsWith(QLatin1String("Output #"))) {
            break;
        } else if (inChapter && chapters.last().title.isEmpty()) {
            if (const QRegularExpressionMatch named = title.match(line.toString()); named.hasMatch())
                chapters.last().title = named.captured(1).trimmed();
        }
    }
    return tidyChapters(std::move(chapters));
}

std::optional<TranscriptLink::Kind> transcriptKind(QStringView mediaType)
{
    const QString type = mediaType.split(u';').first().trimmed().toString().toLower();
    if (type == QLatin1String("application/srt") || type == QLatin1String("application/x-subrip")
        || type == QLatin1String("text/srt") || type == QLatin1String("text/x-srt"))
        return TranscriptLink::Kind::srt;
    if (type == QLatin1String("text/vtt"))
        return TranscriptLink::Kind::vtt;
    if (type == QLatin1String("application/json"))
        return TranscriptLink::Kind::json;
    return std::nullopt;
}

std::optional<QByteArray> webVttOfJsonTranscript(const QByteArray &document)
{
    const QJsonArray segments = QJsonDocument::fromJson(document).object().value(QLatin1String("segments")).toArray();
    QString text = QStringLiteral("WEBVTT\n");
    bool any = false;
    for (const QJsonValue &value : segments) {
        const QJsonObject segment = value.toObject();
        const std::optional<qint64> start = milliseconds(segment.value(QLatin1String("startTime")));
        const std::optional<qint64> end = milliseconds(segment.value(QLatin1String("endTime")));
        QStringList lines = segment.value(QLatin1String("body")).toString().split(u'\n');
        for (QString &line : lines)
            line = cueText(oneLine(line));
        lines.removeAll(QString());
        if (!start || !end || *end < *start || lines.isEmpty())
            continue;
        const QString speaker = oneLine(segment.value(QLatin1String("speaker")).toString());
        if (!speaker.isEmpty())
            lines.first().prepend(QStringLiteral("<v %1>").arg(cueText(speaker)));
        text += u'\n' + cueTime(*start) + QStringLiteral(" --> ") + cueTime(*end) + u'\n' + lines.join(u'\n') + u'\n';
        any = true;
    }
    if (!any)
        return std::nullopt;
    return text.toUtf8();
}

} // namespace tovel
