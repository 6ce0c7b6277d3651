#!/bin/sh
# installed-examples.sh BUILD_DIR EXAMPLES_DIR DISPENSER_SIM [WITH_WIDGETS]
# Installs lineport's components from the build tree into a fresh
# prefix and builds examples/ against that prefix alone: with CMake
# (find_package) and, for list-ports, with pkg-config, shared and static.
# Then runs them: list-ports reads settings from an ini file, and
# line-monitor receives the simulated dispenser's reply and ends on SIGINT.
set -eu
build=$1 examples=$2 sim=$3 widgets=${4:-ON}
work=$(mktemp -d /tmp/lineport-examples.XXXXXX)
sim_pid="" monitor_pid=""
cleanup() {
  [ -n "${KEEP:-}" ] && { echo "kept $work"; return; }
  for pid in $monitor_pid $sim_pid; do kill -9 "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "installed-examples: $*" >&2
  for f in "$work"/*.out "$work"/*.err; do [ -s "$f" ] && { echo "--- $f"; cat "$f"; } >&2; done
  exit 1
}
# Waits up to 10 s (a safety net only) for "$2" in file $1.
wait_for() {
  i=0
  while ! grep -q "$2" "$1" 2>/dev/null; do
    i=$((i + 1))
    [ $i -le 200 ] || return 1
    sleep 0.05
  done
}

prefix=$work/prefix
for component in lineport-runtime lineport-widgets-runtime lineport-dev; do
  cmake --install "$build" --prefix "$prefix" --component $component >/dev/null
done
# Nothing of the source or build tree may be needed: no path to them in the prefix.
if grep -rlI -e "$build" -e "$(cd "$examples/.." && pwd)/" "$prefix" >"$work/leaks.out"; then
  fail "the installed files name the build or source tree"
fi

cmake -S "$examples" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DWITH_WIDGETS="$widgets" \
  >"$work/configure.out" 2>&1 || fail "configuring the examples failed"
cmake --build "$work/build" >"$work/build.out" 2>&1 || fail "building the examples failed"

libdir=$(dirname "$(find "$prefix" -name liblineport.a)")
export PKG_CONFIG_PATH="$libdir/pkgconfig"
c++ -std=c++20 -Wall -Wextra -Wpedantic -Werror -o "$work/list-ports-pc" "$examples/list-ports.cpp" \
  $(pkg-config --cflags --libs lineport) >"$work/pkgconfig.out" 2>&1 || fail "pkg-config build failed"
c++ -std=c++20 -o "$work/list-ports-static" "$examples/list-ports.cpp" $(pkg-config --cflags lineport) \
  "$libdir/liblineport.a" -pthread >"$work/static.out" 2>&1 || fail "static build failed"

printf '[ComPort]\nBaudRate=19200\nParity=Even\n' >"$work/settings.ini"
expected="ttyX: 19200 bit/s, 8 data bits, parity Even, 1 stop bits, flow control None"
for lister in "$work/build/list-ports" "$work/list-ports-pc" "$work/list-ports-static"; do
  out=$(LD_LIBRARY_PATH="$libdir" "$lister" --ini "$work/settings.ini" ttyX) ||
    fail "$lister failed"
  [ "$out" = "$expected" ] || fail "$lister printed '$out', not '$expected'"
done

# The monitor against the simulated dispenser: the state query's reply
# arrives as received bytes (the reply frame starts STX '0' '0').
"$sim" --fast >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
wait_for "$work/sim.out" /dev/ || fail "dispenser-sim printed no terminal"
pty=$(head -n 1 "$work/sim.out")
"$work/build/line-monitor" "$pty" --send 02303053303030307503 >"$work/monitor.out" 2>"$work/monitor.err" &
monitor_pid=$!
wait_for "$work/monitor.out" "rx 02 30 30" || fail "line-monitor showed no reply"
kill -INT $monitor_pid
status=0
wait $monitor_pid || status=$?
monitor_pid=""
[ $status -eq 0 ] || fail "line-monitor ended with $status on SIGINT"
grep -q '^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\.[0-9][0-9][0-9] rx 02 30 30' "$work/monitor.out" ||
  fail "the received bytes carry no time stamp"
tail -n 1 "$work/monitor.out" | grep -q ' closed$' || fail "line-monitor did not close the port"
echo "installed-examples: built and ran the examples against $prefix"
