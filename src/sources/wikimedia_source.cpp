#include "sources/remote_sources.h"

#include "core/endpoints.h"
#include "core/http.h"
#include "core/media_extensions.h"
#include "core/url_text.h"
#include "engine/manifest.h"
#include "platform/text.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtConcurrent>

namespace tovel {

namespace {

const QString filePagePrefix = QStringLiteral("/wiki/File:");

Error notAFilePage()
{
    return Error::unsupported(QCoreApplication::translate("Tovel", "Point at a Commons File: page."));
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Strict percent-decoding: a stray percent sign or escapes that are not UTF-8 give nothing
// (QUrl::fromPercentEncoding would pass both through silently).
std::optional<QString> percentDecoded(const QString &text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != u'%') {
            bytes += QStringView(text).mid(i, 1).toUtf8();
            continue;
        }
        const int high = i + 1 < text.size() ? hexValue(text.at(i + 1)) : -1;
        const int low = i + 2 < text.size() ? hexValue(text.at(i + 2)) : -1;
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += char(high * 16 + low);
        i += 2;
    }
    return strictUtf8(bytes);
}

QUrl apiAddress(const QString &pageName)
{
    const QPair<QString, QString> pairs[] = {
        {QStringLiteral("action"), QStringLiteral("query")},
        {QStringLiteral("titles"), QStringLiteral("File:") + pageName},
        {QStringLiteral("prop"), QStringLiteral("imageinfo")},
        {QStringLiteral("iiprop"), QStringLiteral("url|size|sha1|extmetadata")},
        {QStringLiteral("format"), QStringLiteral("json")},
    };
    // Escaped by hand: QUrlQuery takes a "%20" in a title as already escaped, and leaves a plus sign
    // that the server would read as a space.
    static const QByteArray keep = QByteArrayLiteral("!$'()*,;:@/?");
    QByteArray query;
    for (const auto &[name, value] : pairs) {
        if (!query.isEmpty())
            query += '&';
        query += QUrl::toPercentEncoding(name, keep) + '=' + QUrl::toPercentEncoding(value, keep);
    }
    QUrl address(endpoints::commonsBase() + QStringLiteral("/w/api.php"));
    address.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return address;
}

struct CommonsFile
{
    QUrl url;
    ListedFile listed; // the size and SHA-1 Commons gives for it
};

// The first page's first file; nothing when any step of the way to its address is missing or of the wrong kind.
std::optional<CommonsFile> firstFile(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue query = document.object().value(QLatin1String("query"));
    if (!query.isObject())
        return std::nullopt;
    const QJsonValue pages = query.toObject().value(QLatin1String("pages"));
    if (!pages.isObject() || pages.toObject().isEmpty())
        return std::nullopt;
    const QJsonValue page = *pages.toObject().begin();
    if (!page.isObject())
        return std::nullopt;
    const QJsonValue info = page.toObject().value(QLatin1String("imageinfo"));
    if (!info.isArray() || info.toArray().isEmpty())
        return std::nullopt;
    for (const QJsonValue &entry : info.toArray()) {
        if (!entry.isObject())
            return std::nullopt;
    }
    const QJsonObject first = info.toArray().first().toObject();
    const QJsonValue url = first.value(QLatin1String("url"));
    if (!url.isString())
        return std::nullopt;
    // An answer from afar must not send us to a local file or anything else but the web.
    const auto address = parseUrl(url.toString());
    if (!address || !address->isHttp())
        return std::nullopt;
    CommonsFile file{address->url, {}};
    file.listed.publisher = QStringLiteral("Wikimedia Commons");
    if (const QJsonValue size = first.value(QLatin1String("size")); size.isDouble() && size.toDouble() >= 0)
        file.listed.size = qint64(size.toDouble());
    const QByteArray sha1 = first.value(QLatin1String("sha1")).toString().toLatin1().toLower();
    if (sha1.size() == 40 && std::all_of(sha1.begin(), sha1.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        }))
        file.listed.sha1 = sha1;
    return file;
}

} // namespace

bool WikimediaSource::accepts(const QString &input)
{
    const auto url = parseUrl(trimSpacesAndTabs(input));
    if (!url)
        return false;
    const QString host = url->hostOrEmpty();
    return host.contains(endpoints::wikimediaDomain) || host.contains(endpoints::wikipediaDomain);
}

QCoro::Task<Result<MediaItems>> WikimediaSource::resolve(QString input, ResolveContext context) const
{
    const std::shared_ptr<Cancellation> &cancellation = context.cancellation;
    const auto link = parseUrl(trimSpacesAndTabs(input));
    if (!link)
        co_return fail(Error::unsupported(QCoreApplication::translate("Tovel", "That is not a valid address.")));
    const QString path = link->url.path(QUrl::FullyDecoded);
    const qsizetype at = path.indexOf(filePagePrefix);
    if (at < 0)
        co_return fail(notAFilePage());
    const std::optional<QString> pageName = percentDecoded(path.mid(at + filePagePrefix.size()));
    if (!pageName)
        co_return fail(notAFilePage());

    const QString userAgent = context.userAgent.value_or(EngineManifest::builtIn().userAgent);
    // Named, not a temporary in the co_await: g++ 12 destroys such temporaries twice.
    const HttpOptions options{userAgent, {}, cancellation};
    const Result<HttpResponse> response = co_await httpGet(apiAddress(*pageName), maxAnswerBytes, options);
    if (!response)
        co_return fail(response.error());

    const QByteArray body = response->body;
    auto walking = QtConcurrent::run([body] { return firstFile(body); });
    const std::optional<CommonsFile> file = co_await walking;
    if (!file)
        co_return fail(Error::parse(QCoreApplication::translate("Tovel", "No media found on that Commons page.")));

    const QString name = *pageName;
    MediaItem item(baseName(name), file->url, QStringLiteral("Wikimedia Commons"), pathExtension(file->url));
    item.identity = QStringLiteral("commons ") + name;
    item.listed = file->listed;
    co_return MediaItems{item};
}

} // namespace tovel
