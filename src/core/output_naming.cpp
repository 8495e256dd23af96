#include "core/output_naming.h"

#include "platform/text.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tovel {

namespace {

// No leading dots (a hidden file, or "." and ".."), no trailing dots or spaces (they run into the
// extension or vanish on other systems).
QString tidyEnds(QString name)
{
    for (;;) {
        const QString before = name;
        name = name.trimmed();
        while (name.startsWith(u'.'))
            name.remove(0, 1);
        while (name.endsWith(u'.'))
            name.chop(1);
        if (name == before)
            return name;
    }
}

} // namespace

QString outputBaseName(const QString &title, const QString &fallback)
{
    QString name;
    name.reserve(title.size());
    for (char32_t c : title.toUcs4()) {
        if (c == U'/')
            c = U'-';
        else if (isControlCharacter(c))
            c = U' ';
        else if (QChar::category(c) == QChar::Other_Format)
            continue;
        name.append(QString::fromUcs4(&c, 1));
    }
    name = tidyEnds(name);
    return name.isEmpty() ? fallback : name;
}

QString fitFileName(const QString &name, const QString &suffix, int maxBytes, const QString &fallback)
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
    kept = tidyEnds(kept);
    if (kept.isEmpty())
        kept = fallback;
    return kept + suffix;
}

Result<QString> reserveOutput(const QString &title, AudioFormat format, const QString &destination,
                              const QString &fallback)
{
    if (!QDir().mkpath(destination))
        return fail(Error::folderNotCreated(destination));
    const QString name = outputBaseName(title, fallback);
    const QString extension = u'.' + rawValue(format);
    for (int n = 1; n < 1'000'000; ++n) {
        const QString suffix = n == 1 ? extension : u' ' + QString::number(n) + extension;
        const QString path = destination + u'/' + fitFileName(name, suffix, maxFileNameBytes, fallback);
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
