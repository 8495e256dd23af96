#pragma once

#include <QLocale>

namespace tovel {

// Speaks the user's language where Tovel has a translation for it: Tovel's own texts, and Qt's for the
// standard dialogs. Any other language, and the C or POSIX locale, keep the English texts. Called once,
// after the application object exists, by the window and the command line alike.
void installTranslations(const QLocale &locale = QLocale::system());

} // namespace tovel
