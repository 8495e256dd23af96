#include "platform/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tovel {

static bool install(const QString &file, const QString &folder)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    // "tovel_de_DE" falls back to "tovel_de".
    if (translator->load(file, folder)) {
        QCoreApplication::installTranslator(translator);
        return true;
    }
    delete translator;
    return false;
}

void installTranslations(const QLocale &locale)
{
    // The user's languages in their order ("de-DE", "de", "en-US"): the first that is English (the texts as
    // written) or that Tovel speaks wins.
    for (QString language : locale.uiLanguages()) {
        language.replace(u'-', u'_');
        if (language == QLatin1String("C") || language == QLatin1String("en") || language.startsWith(u"en_"))
            return;
        if (install(QStringLiteral("tovel_") + language, QStringLiteral(":/i18n"))) {
            install(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
            return;
        }
    }
}

} // namespace tovel
