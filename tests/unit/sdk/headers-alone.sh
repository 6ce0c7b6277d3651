#!/bin/sh
# headers-alone.sh CXX STAGE_DIR FLAGS_FILE HEADER...
# Each public header, as installed under STAGE_DIR/lineport, compiles alone
# with every warning as an error, and includes nothing but another public
# header, a standard header or a Qt header: no header of the tree that is
# not installed, no system header (<windows.h>, <termios.h>, <sys/...>).
# FLAGS_FILE holds further compiler flags (Qt's include folders), one a line.
set -eu
cxx=$1 stage=$2 flags_file=$3
shift 3
failed=0
for header in "$@"; do
  file=$stage/lineport/$header
  bad=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*\(.*\)/\1/p' "$file" |
        grep -Ev '^<lineport/[A-Za-z0-9_/]+\.h>$|^<[a-z_]+>$|^<Q[A-Za-z]+>$' || true)
  if [ -n "$bad" ]; then
    echo "$header includes what a program cannot have: $bad" >&2
    failed=1
  fi
  # shellcheck disable=SC2046
  if ! echo "#include <lineport/$header>" |
       "$cxx" -std=c++20 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -x c++ -I"$stage" \
       $(cat "$flags_file") -; then
    echo "$header does not compile alone" >&2
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "headers-alone: $# public headers compile alone"
exit $failed
