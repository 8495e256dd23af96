#include "core/url_text.h"

#include "core/media_extensions.h"

#include <QRegularExpression>

#include <algorithm>

namespace tovel {

bool WrittenUrl::isHttp() const
{
    const QString lower = scheme.toLower();
    return lower == QLatin1String("http") || lower == QLatin1String("https");
}

static bool isSchemeText(QStringView text)
{
    if (text.isEmpty() || !text.front().isLetter() || text.front().unicode() > 0x7f)
        return false;
    for (QChar c : text) {
        const bool ok = (c.unicode() < 0x80 && c.isLetterOrNumber()) || c == u'+' || c == u'-' || c == u'.';
        if (!ok)
            return false;
    }
    return true;
}

std::optional<WrittenUrl> parseUrl(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    // Characters no URL may hold unescaped: a strict parser refuses them.
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u <= 0x20 || u == 0x7f || u == u'"' || u == u'<' || u == u'>' || u == u'\\' || u == u'^' || u == u'`'
            || u == u'{' || u == u'|' || u == u'}')
            return std::nullopt;
    }
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;

    WrittenUrl result;
    result.url = url;
    QStringView rest(text);
    const qsizetype colon = text.indexOf(u':');
    if (colon > 0 && isSchemeText(QStringView(text).left(colon))) {
        result.scheme = text.left(colon);
        rest = QStringView(text).mid(colon + 1);
    }
    if (rest.startsWith(u"//")) {
        QStringView authority = rest.mid(2);
        // The authority ends at the first "/", "?" or "#".
        const auto end = std::find_if(authority.begin(), authority.end(),
                                      [](QChar c) { return c == u'/' || c == u'?' || c == u'#'; });
        authority = authority.left(end - authority.begin());
        const qsizetype at = authority.lastIndexOf(u'@');
        if (at >= 0)
            authority = authority.mid(at + 1);
        if (authority.startsWith(u'[')) {
            const qsizetype close = authority.indexOf(u']');
            authority = close >= 0 ? authority.left(close + 1) : authority;
        } else {
            const qsizetype portColon = authority.lastIndexOf(u':');
            if (portColon >= 0)
                authority = authority.left(portColon);
        }
        result.host = authority.toString();
    }
    return result;
}

QString trimSpacesAndTabs(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString trimWhitespace(const QString &text)
{
    return text.trimmed();
}

QString lastPathComponent(const QUrl &url)
{
    const QString path = url.path(QUrl::FullyDecoded);
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString pathExtension(const QUrl &url)
{
    return fileExtension(lastPathComponent(url));
}

QUrl withoutCredentials(const QUrl &url)
{
    return url.adjusted(QUrl::RemoveUserInfo);
}

QString withoutCredentials(const QString &text)
{
    // The authority runs to the first "/", "?" or "#" (or what no address holds unescaped); its user
    // information ends at its last "@", as a URL parser reads it.
    static const QRegularExpression userInfo(QStringLiteral("([A-Za-z][A-Za-z0-9+.-]*://)[^\\s/?#\"<>\\\\]*@"));
    if (!text.contains(u'@'))
        return text;
    QString result = text;
    return result.replace(userInfo, QStringLiteral("\\1"));
}

} // namespace tovel
