#include "sources/local_sources.h"

#include "core/media_extensions.h"
#include "core/url_text.h"
#include "platform/text.h"

#include <QCollator>
#include <QCoroFuture>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent>

#include <QCoreApplication>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>

namespace tovel {

static QString homeOf(const QString &user)
{
    if (user.isEmpty())
        return QDir::homePath();
    const QByteArray name = user.toLocal8Bit();
    struct passwd entry
    {};
    struct passwd *found = nullptr;
    char buffer[4096];
    if (getpwnam_r(name.constData(), &entry, buffer, sizeof buffer, &found) != 0 || !found)
        return {};
    return QString::fromLocal8Bit(found->pw_dir);
}

QString normalizedPath(const QString &input)
{
    QString path = trimWhitespace(input);
    if (path.startsWith(QLatin1String("file://"))) {
        if (const auto url = parseUrl(path))
            path = url->url.path(QUrl::FullyDecoded);
    }
    if (path.startsWith(u'~')) {
        const qsizetype slash = path.indexOf(u'/');
        const QString user = path.mid(1, slash < 0 ? -1 : slash - 1);
        const QString home = homeOf(user);
        if (!home.isEmpty())
            path = home + (slash < 0 ? QString() : path.mid(slash));
    }
    return path;
}

bool looksLikePath(const QString &input)
{
    const QString text = trimWhitespace(input);
    for (const char *start : {"/", "~", "./", "../", "file://"})
        if (text.startsWith(QLatin1String(start)))
            return true;
    return false;
}

Error nothingAtPath(const QString &input)
{
    return Error::plain(
        QCoreApplication::translate("Tovel", "There is no file or folder at %1.").arg(trimWhitespace(input)));
}

bool roundTrips(const QByteArray &path)
{
    return QFile::encodeName(QFile::decodeName(path)) == path;
}

QString displayName(const QByteArray &name)
{
    QString shown;
    QByteArrayView rest(name);
    while (!rest.isEmpty()) {
        const qsizetype valid = validUtf8Length(rest);
        shown += QString::fromUtf8(rest.first(valid));
        rest = rest.sliced(valid);
        if (!rest.isEmpty()) {
            const uchar byte = uchar(rest.front());
            shown += byte >= 0xa0 ? QChar(char16_t(byte)) : QChar(QChar::ReplacementCharacter);
            rest = rest.sliced(1);
        }
    }
    return shown;
}

QUrl localFileUrl(const QByteArray &path)
{
    if (roundTrips(path))
        return QUrl::fromLocalFile(QFile::decodeName(path));
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode);
}

QByteArray localFileBytes(const QUrl &url)
{
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

static bool present(const QByteArray &path)
{
    struct stat status
    {};
    return ::lstat(path.constData(), &status) == 0;
}

// The entries of a folder, as the bytes on disk; "." and ".." left out.
static QList<QByteArray> entriesOf(const QByteArray &folder)
{
    QList<QByteArray> names;
    DIR *dir = ::opendir(folder.isEmpty() ? "." : folder.constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    return names;
}

std::optional<QByteArray> localPathBytes(const QString &path, bool *ambiguous)
{
    if (ambiguous)
        *ambiguous = false;
    if (path.isEmpty())
        return std::nullopt;
    const QByteArray direct = QFile::encodeName(path);
    if (present(direct))
        return direct;
    // Only a name Qt could not decode is looked for further.
    if (!path.contains(QChar(QChar::ReplacementCharacter)))
        return std::nullopt;
    QByteArray found = path.startsWith(u'/') ? QByteArray("/") : QByteArray();
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QByteArray separator = found.isEmpty() || found.endsWith('/') ? QByteArray() : QByteArray("/");
        const QByteArray next = found + separator + QFile::encodeName(part);
        if (present(next)) {
            found = next;
            continue;
        }
        QList<QByteArray> matches;
        for (const QByteArray &name : entriesOf(found))
            if (QFile::decodeName(name) == part)
                matches.append(name);
        if (matches.size() != 1) {
            if (ambiguous)
                *ambiguous = matches.size() > 1;
            return std::nullopt;
        }
        found += separator + matches.first();
    }
    return found;
}

// A local file is known by its path and the state it is in: edited since, it is another thing to save.
static void identify(MediaItem &item)
{
    const QByteArray path = localFileBytes(item.url);
    if (roundTrips(path)) {
        const QFileInfo file(QFile::decodeName(path));
        // Reached through a link or by its own path, it is the same file.
        const QString canonical = file.canonicalFilePath();
        item.identity = QStringLiteral("file %1 %2 %3")
                            .arg(canonical.isEmpty() ? file.absoluteFilePath() : canonical)
                            .arg(file.size())
                            .arg(file.lastModified().toMSecsSinceEpoch());
        return;
    }
    // Qt cannot stat such a name; its bytes, percent-encoded, tell it apart from any other.
    struct stat status
    {};
    ::stat(path.constData(), &status);
    char resolved[PATH_MAX];
    const QByteArray canonical = ::realpath(path.constData(), resolved) ? QByteArray(resolved) : path;
    item.identity = QStringLiteral("file %1 %2 %3")
                        .arg(QString::fromLatin1(canonical.toPercentEncoding("/")))
                        .arg(qint64(status.st_size))
                        .arg(qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1'000'000);
}

static QByteArray absoluteBytes(const QByteArray &path)
{
    if (path.startsWith('/'))
        return path;
    return QFile::encodeName(QDir::currentPath()) + '/' + path;
}

static QByteArray lastComponent(const QByteArray &path)
{
    QByteArray trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith('/'))
        trimmed.chop(1);
    return trimmed.mid(trimmed.lastIndexOf('/') + 1);
}

bool LocalFileSource::accepts(const QString &input)
{
    // Two files that show the same name are still files here: resolving says which one it cannot tell.
    bool ambiguous = false;
    return localPathBytes(normalizedPath(input), &ambiguous).has_value() || ambiguous;
}

QCoro::Task<Result<MediaItems>> LocalFileSource::resolve(QString input) const
{
    bool ambiguous = false;
    const auto path = localPathBytes(normalizedPath(input), &ambiguous);
    if (ambiguous)
        co_return fail(Error::plain(
            QCoreApplication::translate(
                "Tovel", "More than one file in that folder is shown as %1; rename one of them to gather it.")
                .arg(trimWhitespace(input))));
    if (!path)
        co_return fail(nothingAtPath(input));
    // A path typed relative to the working folder still gives an absolute file URL.
    const QByteArray absolute = absoluteBytes(*path);
    const QUrl url = roundTrips(absolute)
        ? QUrl::fromLocalFile(QFileInfo(QFile::decodeName(absolute)).absoluteFilePath())
        : localFileUrl(absolute);
    const QString name = displayName(lastComponent(*path));
    MediaItem item(baseName(name), url, QCoreApplication::translate("Tovel", "Local file"), fileExtension(name));
    identify(item);
    co_return MediaItems{item};
}

bool LocalFolderSource::accepts(const QString &input)
{
    const auto path = localPathBytes(normalizedPath(input));
    struct stat status
    {};
    return path && ::stat(path->constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

Result<MediaItems> listFolder(const QString &path)
{
    const QByteArray folder = absoluteBytes(localPathBytes(path).value_or(QFile::encodeName(path)));
    // Unsorted, hidden entries included, no recursion. Only files and links to files: a pipe or a device
    // named like media would never end. Listed as bytes, so a name that is not UTF-8 is not lost.
    struct Entry
    {
        QByteArray name;
        QString shown;
    };
    QList<Entry> media;
    for (const QByteArray &name : entriesOf(folder)) {
        struct stat status
        {};
        if (::stat((folder + '/' + name).constData(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        const QString shown = displayName(name);
        if (isMediaExtension(fileExtension(shown)))
            media.append({name, shown});
    }

    // The C locale collates by code point and ignores numeric mode; a file browser never sorts that way.
    const QLocale system = QLocale::system();
    QCollator collator(system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : system);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(media.begin(), media.end(),
                     [&collator](const Entry &a, const Entry &b) { return collator.compare(a.shown, b.shown) < 0; });

    if (media.isEmpty())
        return fail(Error::parse(QCoreApplication::translate("Tovel", "No audio or video files in that folder.")));

    const QByteArray folderPath
        = roundTrips(folder) ? QFile::encodeName(QDir::cleanPath(QFile::decodeName(folder))) : folder;
    const QString origin
        = QCoreApplication::translate("Tovel", "Folder \u00b7 ") + displayName(lastComponent(folderPath));
    MediaItems items;
    items.reserve(media.size());
    for (const Entry &entry : media) {
        const QByteArray file = folderPath.endsWith('/') ? folderPath + entry.name : folderPath + '/' + entry.name;
        items.append(MediaItem(baseName(entry.shown), localFileUrl(file), origin, fileExtension(entry.shown)));
        identify(items.last());
    }
    return items;
}

QCoro::Task<Result<MediaItems>> LocalFolderSource::resolve(QString input) const
{
    const QString path = normalizedPath(input);
    // Lambdas are never written inside a co_await expression: g++ 12 destroys such temporaries twice.
    auto listing = QtConcurrent::run([path] { return listFolder(path); });
    co_return co_await listing;
}

} // namespace tovel
