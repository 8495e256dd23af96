# Shared by scripts/run and scripts/test: install what is missing, then configure and build.
# Sourced, not run.

set -euo pipefail

TOVEL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

TOVEL_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-declarative-dev qcoro-qt6-dev libsodium-dev libgl-dev
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-window
  qml6-module-qtquick-templates qml6-module-qtquick-layouts qml6-module-qtqml-workerscript
  qml6-module-qt5compat-graphicaleffects qml6-module-qtquick-dialogs qt6-qpa-plugins
  # Where the desktop offers no file dialog, Qt draws its own in QML and that one lists folders with
  # Qt.labs.folderlistmodel; without it Engine's "Choose…" cannot open.
  qml6-module-qt-labs-folderlistmodel
  libqt6svg6 libqt6sql6-sqlite
  # lupdate and lrelease with their CMake package turn translations/*.ts into the .qm files built into
  # the program; Qt's own German texts for its standard dialogs come with qt6-translations-l10n.
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  ffmpeg libtag1-dev
  dbus-daemon
)

# Installs the Debian packages that are not there yet; does nothing (quickly) when all are.
tovel_install_missing() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# tovel_build DIR [cmake options...]: configure once, then build incrementally.
tovel_build() {
  local dir="$1"
  shift
  if [[ ! -f "$dir/build.ninja" ]]; then
    cmake -S "$TOVEL_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  else
    cmake "$dir" "$@" >/dev/null
  fi
  cmake --build "$dir" --parallel "$(nproc)"
}
