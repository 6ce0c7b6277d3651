#!/usr/bin/env bash
# The session "./dev run" starts, given the build directory. Until the console
# window exists: a short tour of dispenser-cli, every command frame and the
# decoding of a few sample replies.
set -euo pipefail
build_dir=${1:?usage: run-session.sh BUILD_DIR}
cli=$build_dir/tools/cli/dispenser-cli
[[ -x $cli ]] || { echo "run-session: $cli is not built" >&2; exit 1; }

echo "== The eight command frames (dispenser-cli frames)"
"$cli" frames

decode() {
  echo
  echo "== $1 (dispenser-cli decode $2)"
  local status=0
  "$cli" decode "$2" || status=$?
  ((status == 0)) || echo "(exit status $status)"
}
decode "Standby reply" "02 30 30 73 72 30 30 30 D7 03"
decode "Buttons held" "02 30 30 73 72 30 31 31 D9 03"
decode "Total count 123" "02 30 30 63 30 31 32 33 8B 03"
decode "Ten notes dispensed" "02 30 30 62 30 30 31 30 85 03"
decode "Jam after five notes, block starting with LF" "0A 30 30 45 32 30 30 35 00 03"
decode "Error reply whose count is not a number" "02 30 30 45 33 30 41 42 00 03"
