#include "sources/local_sources.h"

#include "core/media_extensions.h"
#include "core/url_text.h"

#include <QCollator>
#include <QCoroFuture>
#include <QDir>
#include <QFileInfo>
#include <QtConcurrent>

#include <algorithm>
#include <pwd.h>

namespace tovel {

static QString homeOf(const QString &user)
{
    if (user.isEmpty())
        return QDir::homePath();
    const QByteArray name = user.toLocal8Bit();
    struct passwd entry {};
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

// A local file is known by its path and the state it is in: edited since, it is another thing to save.
static void identify(MediaItem &item)
{
    const QFileInfo file(item.url.toLocalFile());
    // Reached through a link or by its own path, it is the same file.
    const QString canonical = file.canonicalFilePath();
    item.identity = QStringLiteral("file %1 %2 %3")
                        .arg(canonical.isEmpty() ? file.absoluteFilePath() : canonical)
                        .arg(file.size())
                        .arg(file.lastModified().toMSecsSinceEpoch());
}

static bool existsAt(const QString &path)
{
    // Links count as they stand, even dangling ones, like a plain existence test of the path.
    return !path.isEmpty() && (QFileInfo::exists(path) || QFileInfo(path).isSymLink());
}

bool LocalFileSource::accepts(const QString &input) { return existsAt(normalizedPath(input)); }

QCoro::Task<Result<MediaItems>> LocalFileSource::resolve(QString input) const
{
    const QString path = normalizedPath(input);
    if (!existsAt(path))
        co_return fail(Error::unsupported(QStringLiteral("No file at that path.")));
    // A path typed relative to the working folder still gives an absolute file URL.
    const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    const QString name = QFileInfo(path).fileName();
    MediaItem item(baseName(name), url, QStringLiteral("Local file"), fileExtension(name));
    identify(item);
    co_return MediaItems{item};
}

bool LocalFolderSource::accepts(const QString &input) { return QFileInfo(normalizedPath(input)).isDir(); }

Result<MediaItems> listFolder(const QString &path)
{
    const QDir folder(path);
    // Unsorted, hidden entries included, no recursion. Only files and links to files: a pipe or a device
    // named like media would never end.
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted);
    QStringList media;
    for (const QString &name : names)
        if (isMediaExtension(fileExtension(name)))
            media.append(name);

    // The C locale collates by code point and ignores numeric mode; a file browser never sorts that way.
    const QLocale system = QLocale::system();
    QCollator collator(system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : system);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(media.begin(), media.end(),
                     [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });

    if (media.isEmpty())
        return fail(Error::parse(QStringLiteral("No audio or video files in that folder.")));

    const QString folderPath = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString origin = QStringLiteral("Folder \u00b7 ") + QFileInfo(folderPath).fileName();
    MediaItems items;
    items.reserve(media.size());
    for (const QString &name : media) {
        items.append(MediaItem(baseName(name), QUrl::fromLocalFile(folderPath + u'/' + name), origin,
                               fileExtension(name)));
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
