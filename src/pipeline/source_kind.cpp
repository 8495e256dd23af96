#include "pipeline/source_kind.h"

#include "core/url_text.h"
#include "engine/web_engine.h"
#include "pipeline/input_list.h"
#include "sources/local_sources.h"
#include "sources/source_table.h"
#include <QCoreApplication>

namespace tovel {

QString sourceKindWord(const QString &input, bool webEngineEnabled)
{
    const QString text = trimSpacesAndTabs(input);
    if (text.isEmpty())
        return QStringLiteral("\u2014");
    if (const auto listed = listedInputs(text); listed && *listed)
        return QCoreApplication::translate("Tovel", "List");
    // A path to nothing is still meant as a file; the hint says that nothing is there.
    if (looksLikePath(text))
        return QCoreApplication::translate("Tovel", "File");
    for (const SourceType &type : sourceTypes())
        if (!type.kindWord.isEmpty() && type.accepts(text))
            return QCoreApplication::translate("Tovel", type.kindWord.toUtf8().constData());
    if (webEngineEnabled && WebEngine::looksLikeWebLink(text))
        return QCoreApplication::translate("Tovel", "Web");
    return QCoreApplication::translate("Tovel", "Link");
}

} // namespace tovel
