#!/usr/bin/env bash
# Builds the Debian package from a build folder, has lintian look at it, unpacks it into a temporary
# root and runs what it holds: --version, and `list` on a feed served from 127.0.0.1.
#   check-package.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d "${TMPDIR:-/tmp}/tovel-package.XXXXXX")"
server=""
trap '[[ -n "$server" ]] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=("$work"/out/tovel_*_"$(dpkg --print-architecture)".deb)
[[ -f "${deb[0]}" ]] || { echo "no package was made" >&2; exit 1; }
dpkg-deb --field "${deb[0]}" Depends | grep -q 'libqt6core6' || { echo "shlibdeps named no Qt library" >&2; exit 1; }

# Errors fail. The one warning left is expected: the window's Inter fonts are also in Debian's
# fonts-inter (duplicate-font-file), but Tovel loads its own copies by file name so its text is set
# the same on every system, whichever version of that package is installed or none.
lintian --fail-on error,warning --suppress-tags duplicate-font-file "${deb[0]}"

dpkg-deb -x "${deb[0]}" "$work/root"
tovel="$work/root/usr/bin/tovel"
"$tovel" --version | grep -q '^Tovel '
for file in usr/share/man/man1/tovel.1.gz usr/share/bash-completion/completions/tovel \
            usr/share/doc/tovel/copyright usr/lib/systemd/user/tovel-update.service usr/lib/systemd/user/tovel-update.timer usr/share/applications/app.tovel.Tovel.desktop usr/share/tovel/symbols/link.svg; do
  [[ -e "$work/root/$file" ]] || { echo "missing from the package: $file" >&2; exit 1; }
done

# The completion parses, and offers every command and option --help names.
completion="$work/root/usr/share/bash-completion/completions/tovel"
bash -n "$completion"
# (Read into a file first: grep -q leaves a pipe early, which pipefail would take for a failure.)
zcat "$work/root/usr/share/man/man1/tovel.1.gz" | sed 's/\\-/-/g' >"$work/man.txt"
for word in $("$tovel" --help | grep -oE '(^  tovel [a-z-]+|--[a-z-]+)' | sed 's/^  tovel //' | sort -u); do
  grep -qw -- "$word" "$completion" || { echo "the completion does not offer $word" >&2; exit 1; }
  grep -qw -- "$word" "$work/man.txt" || { echo "the man page does not mention $word" >&2; exit 1; }
done

mkdir -p "$work/site" "$work/home"
cat > "$work/site/feed.xml" <<'FEED'
<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0"><channel><title>Packaged Show</title>
<item><title>First Episode</title><enclosure url="http://127.0.0.1/first.mp3" type="audio/mpeg" length="1"/></item>
<item><title>Second Episode</title><enclosure url="http://127.0.0.1/second.mp3" type="audio/mpeg" length="1"/></item>
</channel></rss>
FEED
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" >/dev/null 2>&1 &
server=$!
listed=""
for _ in $(seq 50); do
  listed="$(HOME="$work/home" "$tovel" list "http://127.0.0.1:$port/feed.xml" 2>&1 || true)"
  [[ "$listed" == *"Second Episode"* ]] && break
  sleep 0.1
done
[[ "$listed" == *"First Episode"* && "$listed" == *"Second Episode"* ]] || { echo "the packaged tovel did not list the feed: $listed" >&2; exit 1; }
echo "package OK: $(basename "${deb[0]}")"
