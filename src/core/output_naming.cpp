#include "core/output_naming.h"

#include "platform/paths.h"
#include "platform/text.h"

#include <QDir>
#include <QFile>

#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
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

Result<QString> stagingOutput(AudioFormat format, const QString &destination)
{
    if (!QDir().mkpath(destination))
        return fail(Error::folderNotCreated(destination));
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString path
            = destination + QStringLiteral("/.") + paths::temporaryName(QStringLiteral(".part.") + rawValue(format));
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            return fail(Error::plain(QString::fromLocal8Bit(std::strerror(errno))));
    }
    return fail(
        Error::plain(QCoreApplication::translate("Tovel", "No free file name is left in %1.").arg(destination)));
}

namespace {

enum class Placed { yes, taken, failed };

// Gives `from` the name `to` unless something is there already. Atomic where the file system allows it;
// else through a second link, else by claiming the name with an empty file of ours and moving over that.
Placed placeWithoutReplacing(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return Placed::yes;
    if (errno == EEXIST)
        return Placed::taken;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return Placed::failed;
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return Placed::yes;
    }
    if (errno == EEXIST)
        return Placed::taken;
    const int fd = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno == EEXIST ? Placed::taken : Placed::failed;
    ::close(fd);
    if (::rename(from.constData(), to.constData()) == 0)
        return Placed::yes;
    const int error = errno;
    ::unlink(to.constData());
    errno = error;
    return Placed::failed;
}

} // namespace

bool placeUnlessTaken(const QString &staged, const QString &path)
{
    switch (placeWithoutReplacing(QFile::encodeName(staged), QFile::encodeName(path))) {
    case Placed::yes: return true;
    case Placed::taken: errno = EEXIST; return false;
    case Placed::failed: return false;
    }
    return false;
}

Result<QString> placeOutput(const QString &staged, const QString &title, AudioFormat format, const QString &destination,
                            const QString &fallback)
{
    const QString name = outputBaseName(title, fallback);
    const QString extension = u'.' + rawValue(format);
    const QByteArray from = QFile::encodeName(staged);
    for (int n = 1; n < 1'000'000; ++n) {
        const QString suffix = n == 1 ? extension : u' ' + QString::number(n) + extension;
        const QString path = destination + u'/' + fitFileName(name, suffix, maxFileNameBytes, fallback);
        switch (placeWithoutReplacing(from, QFile::encodeName(path))) {
        case Placed::yes: return path;
        case Placed::taken: continue;
        case Placed::failed: return fail(Error::plain(QString::fromLocal8Bit(std::strerror(errno))));
        }
    }
    return fail(Error::plain(QCoreApplication::translate("Tovel", "No free file name is left for that title.")));
}

} // namespace tovel
