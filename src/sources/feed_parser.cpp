#include "sources/feed_parser.h"

#include "core/dates.h"
#include "core/media_extensions.h"
#include "core/url_text.h"
#include "sources/html_entities.h"
#include "platform/text.h"

#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

#include <optional>

namespace tovel {

namespace {

// Receives the reader's element and text events and collects the items; one instance per feed.
class FeedParser
{
public:
    explicit FeedParser(QUrl address) : m_address(std::move(address)) {}

    void elementStart(const QString &name, const QXmlStreamAttributes &attributes)
    {
        m_path.append(name);
        m_text.clear();
        if (name == QLatin1String("item"))
            ++m_itemDepth;
        if (name == QLatin1String("item")) {
            m_currentTitle.clear();
            m_currentEnclosure.reset();
            m_currentTags = {};
            m_currentAuthor.clear();
            m_currentGuid.clear();
            m_currentDateFromPubDate = false;
        }
        if (name == QLatin1String("itunes:image")) {
            // An episode's own picture, else the show's.
            const auto url = parseUrl(attributes.value(QLatin1String("href")).toString().trimmed());
            if (url && url->isHttp())
                (m_itemDepth > 0 ? m_currentTags.image : m_feedImage) = url->url;
            return;
        }
        if (name != QLatin1String("enclosure"))
            return;
        if (!attributes.hasAttribute(QLatin1String("url")))
            return;
        const std::optional<QUrl> url = enclosureAddress(attributes.value(QLatin1String("url")).toString());
        if (!url)
            return;
        // Many feeds leave the type out, or name it loosely: then the address's extension must say media.
        const QString type = attributes.value(QLatin1String("type")).toString().trimmed().toLower();
        const bool media = type.startsWith(QLatin1String("audio")) || type.startsWith(QLatin1String("video"));
        const bool loose = type.isEmpty() || type == QLatin1String("application/octet-stream")
            || type.startsWith(QLatin1String("x-audio/")) || type.startsWith(QLatin1String("x-video/"));
        if (!media && !(loose && isMediaExtension(pathExtension(*url))))
            return;
        m_currentEnclosure = *url;
    }

    // An enclosure's address, resolved against the feed's own when it is relative ("//host/a.mp3",
    // "a.mp3"). The document is remote: it must never send us to a local file or another protocol.
    [[nodiscard]] std::optional<QUrl> enclosureAddress(const QString &text) const
    {
        static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
        QString absolute = text;
        if (!scheme.match(text.trimmed()).hasMatch() && m_address.isValid() && !text.trimmed().isEmpty()) {
            const QUrl relative(text.trimmed(), QUrl::StrictMode);
            if (!relative.isValid())
                return std::nullopt;
            absolute = QString::fromUtf8(m_address.resolved(relative).toEncoded());
        }
        const auto url = parseUrl(absolute);
        if (!url || !url->isHttp())
            return std::nullopt;
        return url->url;
    }

    void characters(QStringView piece) { m_text += piece; }

    void elementEnd(const QString &name)
    {
        const QString candidate = trimWhitespace(m_text);
        const bool inItem = m_itemDepth > 0;
        if (name == QLatin1String("title")) {
            if (inItem)
                m_currentTitle = candidate;
            else if (m_feedTitle.isEmpty())
                m_feedTitle = candidate;
        } else if (name == QLatin1String("itunes:author")) {
            (inItem ? m_currentAuthor : m_feedAuthor) = candidate;
        } else if (inItem && name == QLatin1String("pubDate")) {
            if (const auto day = parseWrittenDay(candidate)) {
                m_currentTags.date = day->toString(QStringLiteral("yyyy-MM-dd"));
                m_currentDateFromPubDate = true;
            }
        } else if (inItem && name == QLatin1String("dc:date") && !m_currentDateFromPubDate) {
            // Feeds made with the Dublin Core module date their items this way; a pubDate, wherever it
            // stands in the item, is preferred.
            if (const auto day = parseWrittenDay(candidate))
                m_currentTags.date = day->toString(QStringLiteral("yyyy-MM-dd"));
        } else if (!inItem && name == QLatin1String("url") && m_path.size() >= 2
                   && m_path.at(m_path.size() - 2) == QLatin1String("image")) {
            if (const auto url = parseUrl(candidate); url && url->isHttp())
                m_channelImage = url->url;
        } else if (inItem && name == QLatin1String("guid")) {
            m_currentTags.comment = candidate;
            m_currentGuid = candidate;
        } else if (inItem && name == QLatin1String("link") && m_currentTags.comment.isEmpty()) {
            m_currentTags.comment = candidate;
        }
        // The enclosure stays set after the item ends; the next item start clears it.
        if (name == QLatin1String("item") && m_currentEnclosure) {
            const QString extension = pathExtension(*m_currentEnclosure);
            m_items.append(MediaItem(m_currentTitle.isEmpty() ? QStringLiteral("Episode") : m_currentTitle,
                *m_currentEnclosure, m_feedTitle.isEmpty() ? QStringLiteral("Podcast") : m_feedTitle,
                extension.isEmpty() ? std::nullopt : std::optional<QString>(extension)));
            m_items.last().tags = m_currentTags;
            m_items.last().defaultTitle = QStringLiteral("Episode");
            m_guids.append(m_currentGuid);
            m_authors.append(m_currentAuthor);
        }
        if (name == QLatin1String("item") && m_itemDepth > 0)
            --m_itemDepth;
        if (!m_path.isEmpty())
            m_path.removeLast();
        m_text.clear();
    }

    // The show's title and author are known only once the whole channel is read: they may follow the items.
    [[nodiscard]] MediaItems takeItems()
    {
        for (qsizetype i = 0; i < m_items.size(); ++i) {
            MediaTags &tags = m_items[i].tags;
            tags.album = m_feedTitle;
            tags.artist = !m_authors.at(i).isEmpty() ? m_authors.at(i) : (!m_feedAuthor.isEmpty() ? m_feedAuthor : m_feedTitle);
            if (!tags.image)
                tags.image = m_feedImage ? m_feedImage : m_channelImage;
            // A guid is the episode's for good, while its enclosure's address may change. Guids are only
            // unique within their show, and a show keeps its title when its feed moves to another address.
            if (!m_guids.at(i).isEmpty())
                // U+001F parts them: XML text can hold no such character.
                m_items[i].identity = QStringLiteral("guid %1\u001f%2").arg(
                    m_feedTitle.isEmpty() ? QString::fromLatin1(m_address.toEncoded()) : m_feedTitle, m_guids.at(i));
        }
        return std::move(m_items);
    }

private:
    QUrl m_address;
    MediaItems m_items;
    QString m_feedTitle;
    QString m_feedAuthor;
    std::optional<QUrl> m_feedImage;    // <itunes:image href> of the channel
    std::optional<QUrl> m_channelImage; // <image><url> of the channel
    QString m_currentTitle;
    QString m_currentGuid;
    QStringList m_guids; // per item, empty where it has none
    QString m_currentAuthor;
    MediaTags m_currentTags;
    bool m_currentDateFromPubDate = false;
    QStringList m_authors; // each item's own author, beside m_items
    std::optional<QUrl> m_currentEnclosure;
    QStringList m_path;
    int m_itemDepth = 0; // how many open elements are items: asked at every element, so never searched for
    QString m_text;
};

// Feeds written for browsers use HTML's named entities, which XML does not know: those of HTML 4
// become their characters, and any other name stands as the text it is, so one unknown entity never
// ends the feed.
class HtmlEntities : public QXmlStreamEntityResolver
{
public:
    QString resolveUndeclaredEntity(const QString &name) override
    {
        if (const auto point = htmlEntity(name)) {
            const char32_t c = *point;
            return QString::fromUcs4(&c, 1);
        }
        // Read again as markup: "&amp;" is the ampersand itself.
        return QStringLiteral("&amp;") + name + u';';
    }
};

// Many servers put blank lines or a byte-order mark before the XML declaration, which a strict reader
// refuses at once. Only done when markup follows, so a UTF-16 document is left alone.
QByteArray withoutLeadingJunk(const QByteArray &document)
{
    static constexpr char bom[] = "\xEF\xBB\xBF";
    qsizetype start = 0;
    for (;;) {
        if (QByteArrayView(document).sliced(start).startsWith(bom)) {
            start += 3;
            continue;
        }
        if (start < document.size()) {
            const char c = document.at(start);
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                ++start;
                continue;
            }
        }
        break;
    }
    // A server-side warning printed before the document ("<br />\n<b>Warning</b>: ...") is skipped too,
    // up to the declaration or the <rss> element.
    const QByteArrayView rest = QByteArrayView(document).sliced(start);
    if (!rest.startsWith("<?xml") && !rest.startsWith("<rss")) {
        const qsizetype declaration = rest.indexOf("<?xml"), rss = rest.indexOf("<rss");
        const qsizetype found = declaration < 0 ? rss : (rss < 0 ? declaration : std::min(declaration, rss));
        if (found > 0)
            start += found;
    }
    if (start == 0 || start == document.size() || document.at(start) != '<')
        return document;
    return document.sliced(start);
}

// A UTF-8 document is cut at its first malformed byte, so it reads like XML that breaks off there: the
// reader would otherwise refuse it whole, items before the fault included. A document that declares
// another encoding, or starts with a UTF-16 mark, is left to the reader.
QByteArray withoutMalformedTail(const QByteArray &document)
{
    if (document.startsWith("\xFF\xFE") || document.startsWith("\xFE\xFF"))
        return document;
    static const QRegularExpression declared(QStringLiteral("^<\\?xml[^>]*encoding\\s*=\\s*[\"']([^\"']*)[\"']"));
    const QRegularExpressionMatch match = declared.match(QString::fromLatin1(document.left(256)));
    if (const QString name = match.captured(1).toLower(); match.hasMatch() && name != QLatin1String("utf-8") && name != QLatin1String("utf8"))
        return document;
    const qsizetype valid = validUtf8Length(document);
    return valid == document.size() ? document : document.left(valid);
}

} // namespace

MediaItems parseFeed(const QByteArray &document, const QUrl &address)
{
    FeedParser parser(address);
    QXmlStreamReader reader(withoutMalformedTail(withoutLeadingJunk(document)));
    // Names as written: itunes:title must stay distinct from title.
    reader.setNamespaceProcessing(false);
    HtmlEntities entities;
    reader.setEntityResolver(&entities);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            parser.elementStart(reader.qualifiedName().toString(), reader.attributes());
            break;
        case QXmlStreamReader::Characters:
            // CDATA sections are text like any other: many hosts write every title as one.
            parser.characters(reader.text());
            break;
        case QXmlStreamReader::EndElement: parser.elementEnd(reader.qualifiedName().toString()); break;
        default: break;
        }
    }
    // On malformed XML the reader stops; the items completed so far stand.
    return parser.takeItems();
}

} // namespace tovel
