#include "core/media_extensions.h"

namespace tovel {

const QSet<QString> &mediaExtensions()
{
    // A function-local static is initialised once, thread-safely, and read-only after that.
    static const QSet<QString> extensions = {
        // m4b is M4A by another name, for audiobooks and chaptered episodes.
        QStringLiteral("mp3"),  QStringLiteral("m4a"),  QStringLiteral("m4b"),  QStringLiteral("aac"),
        QStringLiteral("wav"),  QStringLiteral("flac"), QStringLiteral("ogg"),  QStringLiteral("opus"),
        QStringLiteral("aiff"), QStringLiteral("aif"),  QStringLiteral("wma"),  QStringLiteral("mp4"),
        QStringLiteral("m4v"),  QStringLiteral("mov"),  QStringLiteral("webm"), QStringLiteral("mkv"),
    };
    return extensions;
}

bool isMediaExtension(const QString &extension)
{
    return !extension.isEmpty() && mediaExtensions().contains(extension.toLower());
}

QString fileExtension(const QString &fileName)
{
    const QStringView name = QStringView(fileName).mid(fileName.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return {};
    return name.mid(dot + 1).toString();
}

QString baseName(const QString &fileName)
{
    const QString extension = fileExtension(fileName);
    return extension.isEmpty() ? fileName : fileName.left(fileName.size() - extension.size() - 1);
}

} // namespace tovel
