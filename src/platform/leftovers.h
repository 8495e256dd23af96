#pragma once

#include <QString>
#include <QStringList>

namespace tovel::paths {

// Removes what a Tovel that no longer runs left behind in `folders`: its temporary downloads and
// working folders (named by `temporaryName`) and its hidden partial outputs (".tovel-PID-UUID.part.mp3").
// Only names of that exact form go, and only when the process named in them is gone; anything else,
// however it looks, is left alone. Returns what was removed.
QStringList removeLeftovers(const QStringList &folders);

// The same, once per folder in the life of this process.
void removeLeftoversOnce(const QStringList &folders);

} // namespace tovel::paths
