#pragma once

#include <QString>
#include <QStringList>

namespace tovel::paths {

// Who made a temporary file: this process's id and the time it started ("4242.1830456"), so a
// process that later gets the same id (in a container every run is process 1) is not taken for its maker.
[[nodiscard]] QString ownerStamp();

// Removes what a Tovel that no longer runs left behind in `folders`: its temporary downloads and
// working folders (named by `temporaryName`) and its hidden partial outputs (".tovel-PID.START-UUID.part.mp3").
// Only names of that exact form go, and only when the process named in them is gone; anything else,
// however it looks, is left alone. Returns what was removed.
QStringList removeLeftovers(const QStringList &folders);

// The same, once per folder in the life of this process.
void removeLeftoversOnce(const QStringList &folders);

} // namespace tovel::paths
