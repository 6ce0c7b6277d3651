#!/usr/bin/env bash
# The session "./dev run" starts, given the build directory: the virtual
# dispenser on a pseudo-terminal and, with a display, the console window
# against it until the window is closed; without a display, a scripted
# dispenser-cli session against it, through the same port engine.
set -euo pipefail
build_dir=${1:?usage: run-session.sh BUILD_DIR}
cli=$build_dir/tools/cli/dispenser-cli
sim=$build_dir/tools/sim/dispenser-sim
for program in "$cli" "$sim"; do
  [[ -x $program ]] || { echo "run-session: $program is not built" >&2; exit 1; }
done

work=$(mktemp -d /tmp/dispenser-session.XXXXXX)
sim_pid=""
cleanup() {
  if [[ -n $sim_pid ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The simulator prints the terminal to open once it serves it.
exec 3< <(exec "$sim" --link "$work/dispenser" --log "$work/frames.log" --fault jam@2:3 \
            2>"$work/sim.err")
sim_pid=$!
read -r -t 10 -u 3 port || { echo "run-session: dispenser-sim did not start:" >&2; cat "$work/sim.err" >&2; exit 1; }

console=$build_dir/console/dispenser-console
if [[ -n ${DISPLAY:-}${WAYLAND_DISPLAY:-} && -x $console ]]; then
  # The port as an operator names it: pts/N for /dev/pts/N.
  echo "== dispenser-sim serves $port; its second dispense will jam after 3 notes"
  echo "== dispenser-console --port ${port#/dev/} (close the window to end the session)"
  status=0
  "$console" --port "${port#/dev/}" || status=$?
  echo "== What dispenser-sim saw and sent (its --log)"
  cat "$work/frames.log"
  exit "$status"
fi

echo "== dispenser-sim serves $port; its second dispense will jam after 3 notes"
echo "== The eight command frames (dispenser-cli frames)"
"$cli" frames

step() {
  local title=$1
  shift
  echo
  echo "== $title (dispenser-cli send $*)"
  local status=0
  "$cli" send --port "$port" --replies 1 "$@" || status=$?
  ((status == 0)) || echo "(exit status $status)"
}
step "Standby" state-query
step "Hold the start and clear buttons" button-hold-on
step "Buttons held" state-query
step "Release the buttons" button-hold-off
step "Dispense ten notes" dispense
step "Total count" count-query
step "Dispense again: a jam after 3 notes" dispense
step "Error state" state-query
step "Dispense while the error is pending: no note leaves" dispense
step "Clear the error" error-clear
step "Total count: 10 + 3" count-query
step "Clear counter and error" count-error-clear
step "Total count" count-query

echo
echo "== A reply whose count is not a number (dispenser-cli decode)"
"$cli" decode "02 30 30 45 33 30 41 42 00 03" || echo "(exit status $?)"

echo
echo "== What dispenser-sim saw and sent (its --log)"
cat "$work/frames.log"
