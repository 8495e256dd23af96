#include "core/output_naming.h"

#include "platform/text.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tovel {

QString outputBaseName(const QString &title)
{
    QString name;
    name.reserve(title.size());
    for (char32_t c : title.toUcs4()) {
        if (c == U'/')
            c = U'-';
        else if (isControlCharacter(c))
            c = U' ';
        name.append(QString::fromUcs4(&c, 1));
    }
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("Audio") : name;
}

QString fitFileName(const QString &name, const QString &suffix, int maxBytes)
{
    const qsizetype budget = maxBytes - suffix.toUtf8().size();
    if (name.toUtf8().size() <= budget)
        return name + suffix;
    // Drop whole code points from the end until the name fits.
    const QList<uint> points = name.toUcs4();
    QString kept;
    qsizetype bytes = 0;
    for (uint point : points) {
        const char32_t c = point;
        const QString piece = QString::fromUcs4(&c, 1);
        const qsizetype size = piece.toUtf8().size();
        if (bytes + size > budget)
            break;
        kept += piece;
        bytes += size;
    }
    kept = kept.trimmed();
    if (kept.isEmpty())
        kept = QStringLiteral("Audio");
    return kept + suffix;
}

Result<QString> reserveOutput(const QString &title, AudioFormat format, const QString &destination)
{
    if (!QDir().mkpath(destination))
        return fail(Error::folderNotCreated(destination));
    const QString name = outputBaseName(title);
    const QString extension = u'.' + rawValue(format);
    for (int n = 1; n < 1'000'000; ++n) {
        const QString suffix = n == 1 ? extension : u' ' + QString::number(n) + extension;
        const QString path = destination + u'/' + fitFileName(name, suffix);
        const QByteArray local = QFile::encodeName(path);
        const int fd = ::open(local.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            return fail(Error::plain(QString::fromLocal8Bit(std::strerror(errno))));
    }
    return fail(Error::plain(QStringLiteral("No free file name is left for that title.")));
}

} // namespace tovel
