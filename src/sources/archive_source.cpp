#include "sources/remote_sources.h"

#include "core/endpoints.h"
#include "core/http.h"
#include "core/media_extensions.h"
#include "core/url_text.h"
#include "platform/text.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtConcurrent>

namespace tovel {

namespace {

QString notAnItem()
{
    return QCoreApplication::translate("Tovel", "That does not look like an %1 item.").arg(endpoints::archiveDomain);
}

// The identifier goes into the address as decoded; a space or control character there would make a
// request line the server cannot read, or one that says something else than we meant.
bool holdsBlankOrControl(const QString &text)
{
    for (QChar c : text) {
        if (c.isSpace() || isControlCharacter(c.unicode()))
            return true;
    }
    return false;
}

// One path segment as it goes into an address: "?" and "#" are escaped like any other character that
// would end the path, so a name never turns into a query or a fragment.
QByteArray segment(const QString &text)
{
    return QUrl::toPercentEncoding(text, QByteArrayLiteral("!$&'()*+,;=:@"));
}

// "/download/ID/a/b.mp3" for the file "a/b.mp3"; nothing when a segment is empty, "." or "..": such a
// name would be read as a way out of the item.
std::optional<QByteArray> downloadPath(const QString &identifier, const QString &fileName)
{
    QByteArray path = "/download/" + segment(identifier);
    for (const QString &part : fileName.split(u'/')) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return std::nullopt;
        path += '/' + segment(part);
    }
    return path;
}

// The address of an item's metadata, or nothing when the identifier cannot stand in one.
std::optional<QUrl> metadataAddress(const QString &base, const QString &identifier)
{
    // Characters no address may hold stay refused, as typed; the rest are escaped as one segment.
    if (holdsBlankOrControl(identifier) || identifier == QLatin1String(".") || identifier == QLatin1String("..")
        || !parseUrl(base + QStringLiteral("/metadata/") + identifier))
        return std::nullopt;
    const QUrl address = QUrl::fromEncoded(base.toUtf8() + "/metadata/" + segment(identifier), QUrl::StrictMode);
    if (!address.isValid() || (address.scheme() != QLatin1String("https") && address.scheme() != QLatin1String("http")))
        return std::nullopt;
    return address;
}

// The size and digests the archive lists for a file; whatever is missing or malformed is left out.
ListedFile listedFile(const QJsonObject &file)
{
    const auto hex = [&file](const char *key, qsizetype length) {
        const QByteArray value = file.value(QLatin1String(key)).toString().toLatin1().toLower();
        const bool valid = value.size() == length && std::all_of(value.begin(), value.end(), [](char c) {
                               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
                           });
        return valid ? value : QByteArray();
    };
    ListedFile listed;
    listed.md5 = hex("md5", 32);
    listed.sha1 = hex("sha1", 40);
    bool ok = false;
    const qint64 size = file.value(QLatin1String("size")).toString().toLongLong(&ok);
    if (ok && size >= 0)
        listed.size = size;
    listed.publisher = QStringLiteral("the Internet Archive");
    return listed;
}

// Walks the "files" list of a metadata document; nothing when the document is not one.
Result<MediaItems> itemsFromMetadata(const QByteArray &body, const QString &base, const QString &identifier)
{
    const auto unreadable
        = fail(Error::parse(QCoreApplication::translate("Tovel", "Archive metadata could not be read.")));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return unreadable;
    const QJsonValue files = document.object().value(QLatin1String("files"));
    if (!files.isArray())
        return unreadable;
    const QJsonArray list = files.toArray();
    for (const QJsonValue &file : list) {
        if (!file.isObject())
            return unreadable;
    }

    // Only the part after the base is escaped, so an overridden base with an IPv6 host stays intact;
    // for the real host this reads the same as escaping the whole address.
    const auto address = [&base](const QByteArray &path) -> std::optional<QUrl> {
        const QUrl url = QUrl::fromEncoded(base.toUtf8() + path, QUrl::StrictMode);
        if (!url.isValid() || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
            return std::nullopt;
        return url;
    };
    const QString origin = QStringLiteral("Internet Archive \u00b7 ") + identifier;
    // The item's own description becomes every file's tags: its title the album, its creator the artist.
    const QJsonObject about = document.object().value(QLatin1String("metadata")).toObject();
    const auto text = [&about](const char *key) {
        const QJsonValue value = about.value(QLatin1String(key));
        return value.isArray() ? value.toArray().at(0).toString() : value.toString();
    };
    MediaTags tags{text("title"), text("creator"), text("date"),
                   QStringLiteral("https://") + endpoints::archiveDomain + QStringLiteral("/details/") + identifier,
                   std::nullopt};
    // The item's own thumbnail, for files that bring no picture of their own.
    if (const auto path = downloadPath(identifier, QStringLiteral("__ia_thumb.jpg")))
        tags.image = address(*path);
    MediaItems items;
    for (const QJsonValue &file : list) {
        const QJsonValue name = file.toObject().value(QLatin1String("name"));
        if (!name.isString())
            continue;
        const QString fileName = name.toString();
        const QString extension = fileExtension(fileName).toLower();
        if (!isMediaExtension(extension))
            continue;
        const auto path = downloadPath(identifier, fileName);
        const auto url = path ? address(*path) : std::nullopt;
        if (!url)
            continue;
        items.append(MediaItem(baseName(fileName), *url, origin, extension));
        items.last().tags = tags;
        items.last().listed = listedFile(file.toObject());
        items.last().identity = QStringLiteral("archive %1/%2").arg(identifier, fileName);
    }
    if (items.isEmpty())
        return fail(Error::parse(QCoreApplication::translate("Tovel", "No audio files in that item.")));
    return items;
}

} // namespace

bool ArchiveSource::accepts(const QString &input)
{
    const auto url = parseUrl(trimSpacesAndTabs(input));
    return url && url->hostOrEmpty().contains(endpoints::archiveDomain);
}

QCoro::Task<Result<MediaItems>> ArchiveSource::resolve(QString input, std::shared_ptr<Cancellation> cancellation) const
{
    const auto link = parseUrl(trimSpacesAndTabs(input));
    if (!link)
        co_return fail(Error::unsupported(notAnItem()));
    const QStringList components = link->url.path(QUrl::FullyDecoded).split(u'/', Qt::SkipEmptyParts);
    qsizetype marker = -1;
    for (qsizetype i = 0; i < components.size() && marker < 0; ++i) {
        if (components.at(i) == QLatin1String("details") || components.at(i) == QLatin1String("download"))
            marker = i;
    }
    if (marker < 0 || marker + 1 >= components.size())
        co_return fail(Error::unsupported(notAnItem()));
    const QString identifier = components.at(marker + 1);

    const QString base = endpoints::archiveBase();
    const std::optional<QUrl> address = metadataAddress(base, identifier);
    if (!address)
        co_return fail(Error::unsupported(notAnItem()));
    // Named, not a temporary in the co_await: g++ 12 destroys such temporaries twice.
    const HttpOptions options{std::nullopt, {}, cancellation};
    const Result<HttpResponse> response = co_await httpGet(*address, maxMetadataBytes, options);
    if (!response)
        co_return fail(response.error());

    // An error page is read like any answer: the status says nothing the document would not.
    const QByteArray body = response->body;
    auto reading = QtConcurrent::run([body, base, identifier] { return itemsFromMetadata(body, base, identifier); });
    Result<MediaItems> items = co_await reading;
    co_return items;
}

} // namespace tovel
