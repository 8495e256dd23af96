#pragma once

#include <QStringList>

namespace tovel::cli {

// True when the arguments ask for the command line rather than the window.
[[nodiscard]] bool wantsCommandLine(const QStringList &arguments);

// Runs one sub-command headless and returns the exit status. Needs a QCoreApplication.
int run(const QStringList &arguments);

} // namespace tovel::cli
