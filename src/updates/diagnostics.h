#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Crash reports on the user's own disk: written when the program dies, counted, revealed and deleted.
namespace tovel::Diagnostics {

// Installs the uncaught-exception and fatal-signal handlers; later calls do nothing.
void install();
// ~/.local/share/Tovel/Diagnostics, created (if it can be) on every call. With the home folder unusable
// nothing is created, and no report is written.
[[nodiscard]] QString reportsFolder();
void writeReport(const QString &kind, const QString &detail, const QStringList &stack);
// Paths of the reports, newest first.
[[nodiscard]] QStringList reports();
void revealFolder();
void deleteAll();

// "crash-<seconds>.txt": the name of a report written at that time.
[[nodiscard]] QString reportFileName(qint64 seconds);

} // namespace tovel::Diagnostics
