#include "sources/feed_parser.h"

#include "core/chapters.h"
#include "core/dates.h"
#include "core/media_extensions.h"
#include "core/url_text.h"
#include "platform/text.h"
#include "sources/html_entities.h"

#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

#include <QCoreApplication>
#include <optional>

namespace tovel {

namespace {

bool isXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// An Atom text of type "html" is markup escaped once more: what a listener reads is its words, so tags
// go and references become their characters. An unknown reference stands as written, as in the feed
// itself, and a "<" that starts no tag ("1 < 2") is text.
QString textOfHtml(QStringView html)
{
    QString out;
    out.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        const QChar c = html.at(i);
        if (c == u'<' && i + 1 < html.size()) {
            const QChar next = html.at(i + 1);
            if (next.isLetter() || next == u'/' || next == u'!' || next == u'?') {
                const qsizetype close = html.indexOf(u'>', i + 1);
                if (close < 0)
                    break; // a tag cut short hides the rest, as a browser would
                i = close;
                continue;
            }
        }
        if (c == u'&') {
            const qsizetype semicolon = html.indexOf(u';', i + 1);
            if (semicolon > i + 1 && semicolon - i <= 33) {
                const QStringView name = html.sliced(i + 1, semicolon - i - 1);
                std::optional<char32_t> point;
                if (name.startsWith(u'#')) {
                    const bool hex = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X');
                    bool ok = false;
                    const uint value = name.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
                    if (ok)
                        point = isXmlCharacter(value) ? char32_t(value) : char32_t(0xFFFD);
                } else if (name == u"amp") {
                    point = U'&';
                } else if (name == u"lt") {
                    point = U'<';
                } else if (name == u"gt") {
                    point = U'>';
                } else if (name == u"quot") {
                    point = U'"';
                } else if (name == u"apos") {
                    point = U'\'';
                } else {
                    point = htmlEntity(name);
                }
                if (point) {
                    out += QString::fromUcs4(&*point, 1);
                    i = semicolon;
                    continue;
                }
            }
        }
        out += c;
    }
    return out;
}

// Whether an address starts with a scheme ("https:", "x-y+z.1:"), and so is not relative.
bool hasScheme(QStringView text)
{
    const auto letter = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    if (text.isEmpty() || !letter(text.front()))
        return false;
    for (const QChar c : text.sliced(1)) {
        if (c == u':')
            return true;
        if (!letter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'.' && c != u'-')
            return false;
    }
    return false;
}

// Receives the reader's element and text events and collects the items; one instance per feed. An RSS
// channel's items and an Atom feed's entries are read alike; which one a document is, its root says.
class FeedParser
{
public:
    explicit FeedParser(QUrl address) : m_address(std::move(address)) {}

    void elementStart(const QString &name, const QXmlStreamAttributes &attributes)
    {
        if (m_xhtmlDepth > 0) {
            // Markup inside an XHTML title: its words are the title's, so the text goes on.
            ++m_xhtmlDepth;
            m_path.append(name);
            return;
        }
        if (m_path.isEmpty()) {
            m_atom = name == QLatin1String("feed");
            m_itemName = QLatin1String(m_atom ? "entry" : "item");
        }
        m_path.append(name);
        m_text.clear();
        if (name == m_itemName) {
            ++m_itemDepth;
            m_currentTitle.clear();
            m_currentEnclosure.reset();
            m_currentTags = {};
            m_currentAuthor.clear();
            m_currentGuid.clear();
            m_currentDateFromPubDate = false;
            m_currentChapters.clear();
            m_currentChaptersUrl.reset();
            m_currentTranscript.reset();
            m_currentLength.reset();
        }
        if (m_itemDepth > 0 && takeEpisodeExtra(name, attributes))
            return;
        if (name == QLatin1String("itunes:image")) {
            // An episode's own picture, else the show's.
            const auto url = parseUrl(attributes.value(QLatin1String("href")).toString().trimmed());
            if (url && url->isHttp())
                (m_itemDepth > 0 ? m_currentTags.image : m_feedImage) = url->url;
            return;
        }
        if (m_atom) {
            if (name == QLatin1String("title")) {
                const QStringView type = attributes.value(QLatin1String("type")).trimmed();
                m_titleIsHtml = type.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0;
                if (type.compare(QLatin1String("xhtml"), Qt::CaseInsensitive) == 0)
                    m_xhtmlDepth = 1;
            } else if (name == QLatin1String("link") && m_itemDepth > 0
                       && attributes.hasAttribute(QLatin1String("href"))) {
                // Only an entry's enclosure links are its media; "alternate" (the default), "self" and
                // the rest name pages.
                const QStringView rel = attributes.value(QLatin1String("rel")).trimmed();
                if (rel == QLatin1String("enclosure")
                    || rel == QLatin1String("http://www.iana.org/assignments/relation/enclosure"))
                    takeEnclosure(attributes.value(QLatin1String("href")).toString(),
                                  attributes.value(QLatin1String("type")));
            }
            return;
        }
        if (name != QLatin1String("enclosure"))
            return;
        if (!attributes.hasAttribute(QLatin1String("url")))
            return;
        takeEnclosure(attributes.value(QLatin1String("url")).toString(), attributes.value(QLatin1String("type")));
    }

    // An episode's chapters (listed as Podlove Simple Chapters, or linked as a Podcasting 2.0 document) and
    // its transcripts, of which the first SRT or WebVTT is kept, else the first JSON one. True when `name`
    // is one of them.
    bool takeEpisodeExtra(const QString &name, const QXmlStreamAttributes &attributes)
    {
        if (name == QLatin1String("psc:chapter")) {
            const auto start = parseChapterTime(attributes.value(QLatin1String("start")));
            if (start && m_currentChapters.size() < maxChapters)
                m_currentChapters.append({*start, trimWhitespace(attributes.value(QLatin1String("title")).toString())});
            return true;
        }
        if (name == QLatin1String("podcast:chapters")) {
            if (!m_currentChaptersUrl)
                m_currentChaptersUrl = linkedAddress(attributes.value(QLatin1String("url")).toString());
            return true;
        }
        if (name != QLatin1String("podcast:transcript"))
            return false;
        const auto kind = transcriptKind(attributes.value(QLatin1String("type")));
        const auto url = linkedAddress(attributes.value(QLatin1String("url")).toString());
        if (kind && url
            && (!m_currentTranscript
                || (m_currentTranscript->kind == TranscriptLink::Kind::json && *kind != TranscriptLink::Kind::json)))
            m_currentTranscript = TranscriptLink{*url, *kind};
        return true;
    }

    // An RSS enclosure or an Atom enclosure link: the item's media when its type, or else its address,
    // says audio or video.
    void takeEnclosure(const QString &address, QStringView typeAttribute)
    {
        const std::optional<QUrl> url = linkedAddress(address);
        if (!url)
            return;
        // Many feeds leave the type out, or name it loosely: then the address's extension must say media.
        const QString type = typeAttribute.trimmed().toString().toLower();
        const bool media = type.startsWith(QLatin1String("audio")) || type.startsWith(QLatin1String("video"));
        const bool loose = type.isEmpty() || type == QLatin1String("application/octet-stream")
            || type.startsWith(QLatin1String("x-audio/")) || type.startsWith(QLatin1String("x-video/"));
        if (!media && !(loose && isMediaExtension(pathExtension(*url))))
            return;
        m_currentEnclosure = *url;
    }

    // An address the feed links to, resolved against the feed's own when it is relative ("//host/a.mp3",
    // "a.mp3"). The document is remote: it must never send us to a local file or another protocol.
    [[nodiscard]] std::optional<QUrl> linkedAddress(const QString &text) const
    {
        const QString trimmed = text.trimmed();
        QString absolute = text;
        if (!hasScheme(trimmed) && m_address.isValid() && !trimmed.isEmpty()) {
            const QUrl relative(trimmed, QUrl::StrictMode);
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
        if (m_xhtmlDepth > 1) {
            --m_xhtmlDepth;
            m_path.removeLast();
            return;
        }
        m_xhtmlDepth = 0;
        const QString candidate = trimWhitespace(m_text);
        const bool inItem = m_itemDepth > 0;
        if (name == QLatin1String("title")) {
            // In Atom a title belongs to the entry or the feed it stands in, never to a <source> quoted there.
            if (!m_atom || parentIs(1, QLatin1String(inItem ? "entry" : "feed"))) {
                const QString title = m_titleIsHtml ? trimWhitespace(textOfHtml(candidate)) : candidate;
                if (inItem)
                    m_currentTitle = title;
                else if (m_feedTitle.isEmpty())
                    m_feedTitle = title;
            }
        } else if (name == QLatin1String("itunes:author")) {
            (inItem ? m_currentAuthor : m_feedAuthor) = candidate;
        } else if (!inItem && name == QLatin1String("itunes:new-feed-url")) {
            if (const auto url = parseUrl(candidate); url && url->isHttp())
                m_newAddress = url->url;
        } else if (inItem && name == QLatin1String("pubDate")) {
            if (const auto day = parseWrittenDay(candidate)) {
                m_currentTags.date = isoDay(*day);
                m_currentDateFromPubDate = true;
            }
        } else if (inItem && name == QLatin1String("itunes:duration")) {
            // "1:02:03", "62:03" or seconds alone, as feeds write it.
            if (const auto length = parseChapterTime(candidate); length && *length > 0)
                m_currentLength = length;
        } else if (inItem && name == QLatin1String("dc:date") && !m_currentDateFromPubDate) {
            // Feeds made with the Dublin Core module date their items this way; a pubDate, wherever it
            // stands in the item, is preferred.
            if (const auto day = parseWrittenDay(candidate))
                m_currentTags.date = isoDay(*day);
        } else if (!inItem && name == QLatin1String("url") && m_path.size() >= 2
                   && m_path.at(m_path.size() - 2) == QLatin1String("image")) {
            if (const auto url = parseUrl(candidate); url && url->isHttp())
                m_channelImage = url->url;
        } else if (inItem && name == QLatin1String("guid")) {
            m_currentTags.comment = candidate;
            m_currentGuid = candidate;
        } else if (inItem && name == QLatin1String("link") && m_currentTags.comment.isEmpty()) {
            m_currentTags.comment = candidate;
        } else if (m_atom) {
            atomElementEnd(name, candidate, inItem);
        }
        // The enclosure stays set after the item ends; the next item start clears it.
        if (name == m_itemName && m_currentEnclosure) {
            const QString extension = pathExtension(*m_currentEnclosure);
            m_items.append(MediaItem(m_currentTitle.isEmpty() ? QStringLiteral("Episode") : m_currentTitle,
                                     *m_currentEnclosure,
                                     m_feedTitle.isEmpty() ? QStringLiteral("Podcast") : m_feedTitle,
                                     extension.isEmpty() ? std::nullopt : std::optional<QString>(extension)));
            m_items.last().tags = m_currentTags;
            m_items.last().defaultTitle = QStringLiteral("Episode");
            m_items.last().chapters = tidyChapters(m_currentChapters);
            m_items.last().chaptersUrl = m_currentChaptersUrl;
            m_items.last().transcript = m_currentTranscript;
            m_items.last().length = m_currentLength;
            m_guids.append(m_currentGuid);
            m_authors.append(m_currentAuthor);
        }
        if (name == m_itemName && m_itemDepth > 0)
            --m_itemDepth;
        if (!m_path.isEmpty())
            m_path.removeLast();
        m_text.clear();
    }

    // What Atom says in its own words: an entry's id is its guid, its author's name its artist, and the day
    // it was first published (else last updated) its date.
    void atomElementEnd(const QString &name, const QString &candidate, bool inItem)
    {
        if (inItem && name == QLatin1String("id") && parentIs(1, QLatin1String("entry"))) {
            m_currentTags.comment = candidate;
            m_currentGuid = candidate;
        } else if (inItem && (name == QLatin1String("published") || name == QLatin1String("updated"))
                   && parentIs(1, QLatin1String("entry"))) {
            const bool published = name == QLatin1String("published");
            if (published || !m_currentDateFromPubDate) {
                if (const auto day = parseWrittenDay(candidate)) {
                    m_currentTags.date = isoDay(*day);
                    m_currentDateFromPubDate = published;
                }
            }
        } else if (name == QLatin1String("name") && parentIs(1, QLatin1String("author"))
                   && parentIs(2, QLatin1String(inItem ? "entry" : "feed"))) {
            // The first of several authors is the artist.
            if (QString &author = inItem ? m_currentAuthor : m_feedAuthor; author.isEmpty())
                author = candidate;
        } else if (!inItem && (name == QLatin1String("logo") || name == QLatin1String("icon"))
                   && parentIs(1, QLatin1String("feed"))) {
            (name == QLatin1String("logo") ? m_feedLogo : m_feedIcon) = linkedAddress(candidate);
        }
    }

    // The show's title and author are known only once the whole channel is read: they may follow the items.
    [[nodiscard]] MediaItems takeItems()
    {
        // An Atom feed's logo is its picture; its icon is often no more than the site's favicon.
        const std::optional<QUrl> showImage
            = m_feedImage ? m_feedImage : (m_channelImage ? m_channelImage : (m_feedLogo ? m_feedLogo : m_feedIcon));
        for (qsizetype i = 0; i < m_items.size(); ++i) {
            MediaTags &tags = m_items[i].tags;
            tags.album = m_feedTitle;
            tags.artist
                = !m_authors.at(i).isEmpty() ? m_authors.at(i) : (!m_feedAuthor.isEmpty() ? m_feedAuthor : m_feedTitle);
            if (!tags.image)
                tags.image = showImage;
            // A guid is the episode's for good, while its enclosure's address may change. Guids are only
            // unique within their show, and a show keeps its title when its feed moves to another address.
            if (!m_guids.at(i).isEmpty())
                // U+001F parts them: XML text can hold no such character.
                m_items[i].identity
                    = QStringLiteral("guid %1\u001f%2")
                          .arg(m_feedTitle.isEmpty() ? QString::fromLatin1(m_address.toEncoded()) : m_feedTitle,
                               m_guids.at(i));
        }
        return std::move(m_items);
    }

    [[nodiscard]] FeedFacts facts() const { return {m_feedTitle, m_newAddress}; }

private:
    // Whether the element `generations` above the one now ending is named `name`.
    [[nodiscard]] bool parentIs(qsizetype generations, QLatin1String name) const
    {
        return m_path.size() > generations && m_path.at(m_path.size() - 1 - generations) == name;
    }

    QUrl m_address;
    MediaItems m_items;
    bool m_atom = false;              // the root is an Atom <feed>
    QLatin1String m_itemName{"item"}; // "entry" in Atom
    QString m_feedTitle;
    QString m_feedAuthor;
    std::optional<QUrl> m_newAddress;   // <itunes:new-feed-url> of the channel
    std::optional<QUrl> m_feedImage;    // <itunes:image href> of the channel
    std::optional<QUrl> m_channelImage; // <image><url> of the channel
    std::optional<QUrl> m_feedLogo;     // <logo> of an Atom feed
    std::optional<QUrl> m_feedIcon;     // <icon> of an Atom feed
    QString m_currentTitle;
    bool m_titleIsHtml = false; // the Atom title being read is escaped HTML
    int m_xhtmlDepth = 0;       // inside an Atom XHTML title: how many of its elements are open, itself included
    QString m_currentGuid;
    QStringList m_guids; // per item, empty where it has none
    QString m_currentAuthor;
    MediaTags m_currentTags;
    bool m_currentDateFromPubDate = false; // a pubDate (Atom: published) dated the item, over any other date
    QStringList m_authors;                 // each item's own author, beside m_items
    std::optional<QUrl> m_currentEnclosure;
    Chapters m_currentChapters;
    std::optional<QUrl> m_currentChaptersUrl;
    std::optional<TranscriptLink> m_currentTranscript;
    std::optional<qint64> m_currentLength;
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
        // Read again as markup: "&amp;" is the ampersand itself. The feed was not read as written.
        unknown = true;
        return QStringLiteral("&amp;") + name + u';';
    }

    bool unknown = false; // some entity was neither XML's nor HTML's
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
    // up to the declaration, the <rss> element or an Atom <feed>: the first tag that is one of them.
    const auto startsDocument = [](QByteArrayView at) {
        return at.startsWith("<?xml") || at.startsWith("<rss")
            || (at.startsWith("<feed") && at.size() > 5
                && (at[5] == '>' || at[5] == ' ' || at[5] == '\t' || at[5] == '\n' || at[5] == '\r'));
    };
    const QByteArrayView rest = QByteArrayView(document).sliced(start);
    if (!startsDocument(rest)) {
        for (qsizetype at = rest.indexOf('<', 1); at > 0; at = rest.indexOf('<', at + 1)) {
            if (startsDocument(rest.sliced(at))) {
                start += at;
                break;
            }
        }
    }
    if (start == 0 || start == document.size() || document.at(start) != '<')
        return document;
    return document.sliced(start);
}

// What Windows-1252 puts at 0x80–0x9F, where Latin-1 has control characters; U+FFFD where it has none.
constexpr char16_t windows1252[32]
    = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
       0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
       0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

QByteArray utf8Of(char32_t c)
{
    return QString::fromUcs4(&c, 1).toUtf8();
}

// The length of the well-formed UTF-8 sequence at `at` and the character it holds; 0 when there is none.
qsizetype utf8Sequence(QByteArrayView bytes, qsizetype at, char32_t *decoded)
{
    const auto lead = uchar(bytes[at]);
    const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > bytes.size())
        return 0;
    char32_t c = lead & (0x3F >> (length - 1));
    for (qsizetype k = 1; k < length; ++k) {
        const auto next = uchar(bytes[at + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    *decoded = c;
    return length;
}

struct Mended
{
    QByteArray document;
    bool changed = false;
};

// Feeds are often written by hand or by templates, and one slip would stop a strict reader for good:
// everything after it would be lost. What podcast apps read past is mended here, so every item comes
// back — a bare "&" becomes an ampersand, a byte that is not UTF-8 the Windows-1252 (or Latin-1)
// character it most likely meant, a reference to a character XML does not allow U+FFFD, and control
// characters go. CDATA and comments keep their "&". A document that declares another encoding, or
// starts with a UTF-16 mark, is left to the reader.
Mended mended(const QByteArray &document)
{
    if (document.startsWith("\xFF\xFE") || document.startsWith("\xFE\xFF"))
        return {document};
    static const QRegularExpression declared(QStringLiteral("^<\\?xml[^>]*encoding\\s*=\\s*[\"']([^\"']*)[\"']"));
    const QRegularExpressionMatch match = declared.match(QString::fromLatin1(document.left(256)));
    if (const QString name = match.captured(1).toLower();
        match.hasMatch() && name != QLatin1String("utf-8") && name != QLatin1String("utf8"))
        return {document};

    const QByteArrayView in(document);
    const qsizetype size = in.size();
    QByteArray out;
    qsizetype copied = 0; // what of `in` is already in `out`
    bool changed = false;
    const auto replace = [&](qsizetype at, qsizetype length, QByteArrayView with) {
        if (!changed) {
            out.reserve(size + size / 64 + 16);
            changed = true;
        }
        out.append(in.sliced(copied, at - copied));
        out.append(with);
        copied = at + length;
    };
    const auto isNameStart
        = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':'; };
    const auto isNameChar
        = [&isNameStart](char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; };
    // Mends the byte at `at` when it is not UTF-8, a character XML forbids, or a control character;
    // how many bytes it stands for, or 0 for plain ASCII left as it is.
    const auto mendCharacter = [&](qsizetype at) -> qsizetype {
        const auto byte = uchar(in[at]);
        if (byte >= 0x80) {
            char32_t decoded = 0;
            if (const qsizetype length = utf8Sequence(in, at, &decoded); length > 0) {
                if (!isXmlCharacter(decoded))
                    replace(at, length, "\xEF\xBF\xBD");
                return length;
            }
            replace(at, 1, utf8Of(byte < 0xA0 ? char32_t(windows1252[byte - 0x80]) : char32_t(byte)));
            return 1;
        }
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') {
            replace(at, 1, {});
            return 1;
        }
        return 0;
    };
    // Most bytes are plain text and need no look beyond this.
    const auto plain = [](char c) { return uchar(c) >= 0x20 && uchar(c) < 0x80 && c != '&' && c != '<'; };
    for (qsizetype i = 0; i < size;) {
        const char c = in[i];
        if (plain(c)) {
            ++i;
            continue;
        }
        if (const qsizetype length = mendCharacter(i)) {
            i += length;
            continue;
        }
        if (c == '<') {
            // Inside these, "&" is itself: they are stepped over whole, their characters still mended.
            if (i + 1 >= size || in[i + 1] != '!') {
                ++i;
                continue;
            }
            const QByteArrayView rest = in.sliced(i);
            const auto skipTo = [&](QByteArrayView start, QByteArrayView end) {
                if (!rest.startsWith(start))
                    return false;
                const qsizetype close = in.indexOf(end, i + start.size());
                const qsizetype stop = close < 0 ? size : close + end.size();
                for (qsizetype k = i + start.size(); k < stop;)
                    k += plain(in[k]) ? 1 : std::max<qsizetype>(1, mendCharacter(k));
                i = stop;
                return true;
            };
            if (skipTo("<![CDATA[", "]]>") || skipTo("<!--", "-->"))
                continue;
            ++i;
            continue;
        }
        if (c != '&') {
            ++i;
            continue;
        }
        // A reference is kept when it is one: "&name;" (an unknown name is the entity resolver's), or
        // "&#...;" naming a character XML allows.
        qsizetype end = i + 1;
        if (end < size && in[end] == '#') {
            const bool hex = end + 1 < size && (in[end + 1] == 'x' || in[end + 1] == 'X');
            qsizetype digits = end + (hex ? 2 : 1);
            char32_t value = 0;
            qsizetype count = 0;
            for (; digits < size && count < 9; ++digits, ++count) {
                const char d = in[digits];
                int v = -1;
                if (d >= '0' && d <= '9')
                    v = d - '0';
                else if (hex && d >= 'a' && d <= 'f')
                    v = d - 'a' + 10;
                else if (hex && d >= 'A' && d <= 'F')
                    v = d - 'A' + 10;
                if (v < 0)
                    break;
                value = value * (hex ? 16 : 10) + char32_t(v);
            }
            if (count > 0 && digits < size && in[digits] == ';') {
                if (!isXmlCharacter(value))
                    replace(i, digits + 1 - i, "\xEF\xBF\xBD");
                i = digits + 1;
                continue;
            }
        } else if (end < size && isNameStart(in[end])) {
            while (end < size && end - i < 64 && isNameChar(in[end]))
                ++end;
            if (end < size && in[end] == ';') {
                i = end + 1;
                continue;
            }
        }
        replace(i, 1, "&amp;");
        ++i;
    }
    if (!changed)
        return {document};
    out.append(in.sliced(copied));
    return {out, true};
}

// What the user is told of a feed that was not read as written; empty when it was.
QString feedNotice(bool mended, std::optional<QXmlStreamReader::Error> error, qsizetype count)
{
    const QString episodes = count == 1 ? QCoreApplication::translate("Tovel", "its one episode")
                                        : QCoreApplication::translate("Tovel", "the %n episodes", nullptr, int(count));
    if (error == QXmlStreamReader::PrematureEndOfDocumentError)
        return QCoreApplication::translate("Tovel", "This feed breaks off; Tovel read %1 before the break.")
            .arg(episodes);
    if (error)
        return QCoreApplication::translate("Tovel",
                                           "This feed has an error Tovel could not read past; it read %1 before it.")
            .arg(episodes);
    if (mended)
        return count == 1
            ? QCoreApplication::translate("Tovel", "This feed has errors; Tovel read its one episode anyway.")
            : QCoreApplication::translate("Tovel", "This feed has errors; Tovel read all %n episodes anyway.", nullptr,
                                          int(count));
    return {};
}

} // namespace

MediaItems parseFeed(const QByteArray &document, const QUrl &address, QString *notice, FeedFacts *facts)
{
    FeedParser parser(address);
    const Mended text = mended(withoutLeadingJunk(document));
    QXmlStreamReader reader(text.document);
    // Names as written: itunes:title must stay distinct from title.
    reader.setNamespaceProcessing(false);
    HtmlEntities entities;
    reader.setEntityResolver(&entities);
    // An Atom feed may name its elements with a prefix of its own (<atom:feed>, <atom:entry>): read
    // without it, they are the same elements.
    QString atomPrefix;
    bool root = true;
    const auto nameOf = [&atomPrefix](QStringView qualified) {
        return (!atomPrefix.isEmpty() && qualified.startsWith(atomPrefix) ? qualified.sliced(atomPrefix.size())
                                                                          : qualified)
            .toString();
    };
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (root && reader.qualifiedName().endsWith(QLatin1String(":feed")))
                atomPrefix = reader.qualifiedName().chopped(4).toString();
            root = false;
            parser.elementStart(nameOf(reader.qualifiedName()), reader.attributes());
            break;
        case QXmlStreamReader::Characters:
            // CDATA sections are text like any other: many hosts write every title as one.
            parser.characters(reader.text());
            break;
        case QXmlStreamReader::EndElement: parser.elementEnd(nameOf(reader.qualifiedName())); break;
        default: break;
        }
    }
    // On what could not be mended (a document cut short, tags that do not match) the reader stops; the
    // items completed so far stand.
    if (facts)
        *facts = parser.facts();
    MediaItems items = parser.takeItems();
    if (notice && !items.isEmpty())
        *notice = feedNotice(text.changed || entities.unknown,
                             reader.hasError() ? std::optional(reader.error()) : std::nullopt, items.size());
    return items;
}

} // namespace tovel
