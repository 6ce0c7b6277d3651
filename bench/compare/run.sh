#!/usr/bin/env bash
# Our port engine side by side with Qt's serial port module and libserialport:
# installs the two from Debian's packages if they are missing, builds the
# harness and the four probe programs into build/release, and runs them.
# Arguments go to the harness (bench/compare/Harness.cpp lists them), e.g.
#   bench/compare/run.sh --reps 3
# The markdown report is printed and kept in build/release/bench/compare/report.md.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build_dir=$root/build/release

packages=(qt6-serialport-dev libserialport-dev pkg-config)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "compare: installing ${missing[*]}" >&2
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
    { $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }
fi

"$root/dev" setup
# The configuration ./dev build uses for build/release (a new peer package
# needs a fresh configure to be found).
cmake -S "$root" -B "$build_dir" -G Ninja -DSANITIZE= -DWARNINGS_AS_ERRORS=OFF -DBUILD_GUI=ON >/dev/null
targets=(compare compare_probe_ours compare_probe_ours_qt compare_probe_qserialport compare_probe_libserialport)
cmake --build "$build_dir" -j 2 --target "${targets[@]}"

"$build_dir/bench/compare/compare" "$@" | tee "$build_dir/bench/compare/report.md"
