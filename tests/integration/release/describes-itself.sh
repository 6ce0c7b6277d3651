#!/bin/sh
# describes-itself.sh VERSION PROGRAM MANUAL-PAGE
# PROGRAM --version prints its name and the release, also without a display;
# its manual page is the release's and names every option and every command
# that its --help lists.
set -eu
version=$1 program=$2 page=$3
name=$(basename "$program")
fail() {
  echo "$name: $*" >&2
  exit 1
}

line=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version) ||
  fail "--version failed"
[ "$line" = "$name $version" ] || fail "--version printed '$line', not '$name $version'"
grep -q "^\.TH .* \"dispenser-console $version\"" "$page" || fail "$page is not $version's"

# The page's text with roff's escapes for "-" and fonts undone.
text=$(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$page")
help=$("$program" --help)
for option in $(printf '%s\n' "$help" | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  printf '%s\n' "$text" | grep -qE -- "$option([^a-z-]|\$)" || fail "$page lacks $option"
done
# Commands are the entries of --help that start with a word; the page has
# each as a tagged paragraph's tag.
for command in $(printf '%s\n' "$help" | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p'); do
  printf '%s\n' "$text" | grep -qE "^\.B[IR]? \"?$command( |\"|\$)" || fail "$page lacks $command"
done
