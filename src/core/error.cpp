#include "core/error.h"

#include "core/url_text.h"

namespace tovel {

Error::Error(std::optional<SourceErrorKind> kind, const QString &detail)
    : m_kind(kind), m_detail(withoutCredentials(detail))
{}

Error Error::folderNotCreated(const QString &folder)
{
    return plain(QStringLiteral("Could not create the folder %1.").arg(folder));
}

QString Error::description() const
{
    if (!m_kind)
        return m_detail;
    switch (*m_kind) {
    case SourceErrorKind::unsupported: return QStringLiteral("Nothing here can read that. ") + m_detail;
    case SourceErrorKind::network: return QStringLiteral("Could not reach that address. ") + m_detail;
    case SourceErrorKind::parse:
        return QStringLiteral("That address loaded, but nothing playable was found. ") + m_detail;
    }
    return m_detail;
}

} // namespace tovel
