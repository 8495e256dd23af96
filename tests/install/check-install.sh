#!/usr/bin/env bash
# Installs the build into a temporary prefix, as a package would, and checks what lands there: the
# program finds its resources, and the launcher entry, the software-centre description and the schedule's
# systemd units pass their validators.
#   check-install.sh BUILD_DIR
set -euo pipefail
build="$1"
prefix="$(mktemp -d "${TMPDIR:-/tmp}/tovel-install.XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/tovel share/applications/app.tovel.Tovel.desktop share/metainfo/app.tovel.Tovel.metainfo.xml \
            share/icons/hicolor/48x48/apps/app.tovel.Tovel.png share/icons/hicolor/512x512/apps/app.tovel.Tovel.png \
            share/tovel/icons/04-Graphite.png share/tovel/symbols/link.svg share/tovel/fonts; do
  [[ -e "$prefix/$file" ]] || { echo "missing after install: $file" >&2; exit 1; }
done
[[ ! -e "$prefix/share/tovel/desktop" ]] || { echo "the desktop files went into the resources" >&2; exit 1; }

# The schedule's units are where the user manager looks, name the installed program, and are sound.
units="$prefix/lib/systemd/user"
grep -q "^ExecStart=$prefix/bin/tovel update --notify$" "$units/tovel-update.service"
systemd-analyze verify --man=no "$units/tovel-update.service" "$units/tovel-update.timer"

desktop-file-validate "$prefix/share/applications/app.tovel.Tovel.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/app.tovel.Tovel.metainfo.xml"

# The installed program draws its window from the installed resources (icons, symbols, fonts).
home="$prefix/home"
mkdir -p "$home"
HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=offscreen \
  "$prefix/bin/tovel" --screenshot "$prefix/shot.png" --pane appearance >/dev/null 2>&1
[[ -s "$prefix/shot.png" ]] || { echo "the installed program drew nothing" >&2; exit 1; }
"$prefix/bin/tovel" --version | grep -q "^Tovel "
echo "install OK"
