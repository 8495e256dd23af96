#include "pipeline/input_list.h"

#include "core/url_text.h"
#include "pipeline/job_runner.h"
#include "sources/local_sources.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSet>
#include <QXmlStreamReader>

namespace tovel {

QStringList lineInputs(const QString &text)
{
    QStringList inputs;
    QSet<QString> seen;
    for (const QString &line : text.split(u'\n')) {
        const QString input = line.trimmed();
        if (input.isEmpty() || input.startsWith(u'#') || seen.contains(input))
            continue;
        seen.insert(input);
        inputs << input;
    }
    return inputs;
}

std::optional<QStringList> opmlInputs(const QByteArray &document)
{
    QXmlStreamReader xml(document);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("opml"))
        return std::nullopt;
    QStringList inputs;
    QSet<QString> seen;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("outline"))
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        QString input = attributes.value(QLatin1String("xmlUrl")).toString().trimmed();
        if (input.isEmpty())
            input = attributes.value(QLatin1String("url")).toString().trimmed();
        if (!input.isEmpty() && !seen.contains(input)) {
            seen.insert(input);
            inputs << input;
        }
    }
    // A document broken off after some outlines still lists those.
    if (xml.hasError() && inputs.isEmpty())
        return std::nullopt;
    return inputs;
}

Result<QStringList> inputsInFile(const QString &path)
{
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (file.size() > maxListBytes || !file.open(QIODevice::ReadOnly))
        return fail(
            Error::plain(QCoreApplication::translate("Tovel", "%1 could not be read as a list of sources.").arg(name)));
    const QByteArray content = file.readAll();
    const QStringList inputs = opmlInputs(content).value_or(lineInputs(QString::fromUtf8(content)));
    if (inputs.isEmpty())
        return fail(Error::plain(QCoreApplication::translate("Tovel", "%1 lists no sources.").arg(name)));
    return inputs;
}

bool looksLikeList(const QString &input)
{
    const QString text = input.trimmed();
    if (text.contains(u'\n'))
        return true;
    const QString suffix = QFileInfo(normalizedPath(text)).suffix().toLower();
    return looksLikePath(text) && (suffix == QLatin1String("txt") || suffix == QLatin1String("opml"));
}

std::optional<Result<QStringList>> listedInputs(const QString &input)
{
    const QString text = input.trimmed();
    if (text.contains(u'\n'))
        return lineInputs(text);
    if (!looksLikeList(text))
        return std::nullopt;
    const QString path = normalizedPath(text);
    if (!QFileInfo::exists(path))
        return std::nullopt; // the router says there is nothing there
    return inputsInFile(path);
}

// The runner's own handling of a list: each input gathered in turn, as its own gathering.
QCoro::Task<void> JobRunner::runList(QStringList inputs, Wanted wanted, int limit, bool again, Selection selection)
{
    QPointer<JobRunner> self(this);
    auto cancellation = std::make_shared<Cancellation>();
    m_resolutions.append(cancellation);
    QStringList unread;
    for (qsizetype i = 0; i < inputs.size() && !cancellation->isCancelled(); ++i) {
        co_await run(inputs.at(i), wanted.format, wanted.quality, limit, again, wanted.sound, int(i) + 1, selection);
        if (!self)
            co_return;
        if (m_lastError)
            unread << QCoreApplication::translate("Tovel", "Line %1, %2: %3")
                          .arg(QString::number(i + 1), withoutCredentials(inputs.at(i)), *m_lastError);
    }
    m_resolutions.removeOne(cancellation);
    // One that cannot be read is said by its line, and fails the whole only when no line could be read.
    m_unreadInputs += int(unread.size());
    const bool none = unread.size() == inputs.size();
    setLastError(none ? std::optional<QString>(unread.join(u'\n')) : std::nullopt);
    if (!none && !unread.isEmpty()) {
        m_notices += unread;
        emit noticed();
    }
}

} // namespace tovel
