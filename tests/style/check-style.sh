#!/usr/bin/env bash
# The tree keeps one style: C++ as .clang-format says (with the clang-format Debian ships), and panes
# that take every colour and text size from Theme.
#   check-style.sh SOURCE_DIR
set -uo pipefail
root="$1"
cd "$root" || exit 1
status=0

mapfile -t cxx < <(find src tests bench tools \( -name '*.cpp' -o -name '*.h' \) -not -path '*/build*' | sort)
if ! clang-format --dry-run -Werror "${cxx[@]}"; then
  echo "Run clang-format -i on the files above." >&2
  status=1
fi

# Colours and text sizes belong to Theme; a pane names a role ("Theme.textSecondary", "Theme.bodySize").
qml=$(find src/ui/qml -name '*.qml' -not -name 'Theme.qml' | sort)
if grep -nE '"#[0-9A-Fa-f]{3,8}"|Qt\.rgba\(|Qt\.hsla\(' $qml; then
  echo "A pane holds a colour of its own: add a role to Theme and use it." >&2
  status=1
fi
if grep -nE 'pixelSize:\s*[0-9]' $qml; then
  echo "A pane holds a text size of its own: use Theme's type scale." >&2
  status=1
fi
exit $status
