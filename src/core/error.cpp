#include "core/error.h"

#include "core/url_text.h"
#include <QCoreApplication>

namespace tovel {

Error::Error(std::optional<SourceErrorKind> kind, const QString &detail)
    : m_kind(kind), m_detail(withoutCredentials(detail))
{}

Error Error::folderNotCreated(const QString &folder)
{
    return plain(QCoreApplication::translate("Tovel", "Could not create the folder %1.").arg(folder));
}

QString Error::description() const
{
    if (!m_kind)
        return m_detail;
    switch (*m_kind) {
    case SourceErrorKind::unsupported:
        return QCoreApplication::translate("Tovel", "Nothing here can read that. ") + m_detail;
    case SourceErrorKind::network:
        return QCoreApplication::translate("Tovel", "Could not reach that address. ") + m_detail;
    case SourceErrorKind::parse:
        return QCoreApplication::translate("Tovel", "That address loaded, but nothing playable was found. ") + m_detail;
    }
    return m_detail;
}

} // namespace tovel
