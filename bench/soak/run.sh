#!/usr/bin/env bash
# The soak, in one command: builds the release tree, runs bench_soak (about
# five minutes on two cores; at most 40) and keeps its table in
# build/release/bench/soak/soak.md. Arguments go to bench_soak, for a
# shorter run: bench/soak/run.sh --round-trips 10000 --unplugs 10 --hostile-seconds 10
set -euo pipefail
cd "$(dirname "$0")/../.."
./dev build >/dev/null
dir=build/release/bench/soak
timeout --kill-after=30 40m "$dir/bench_soak" --out "$dir/soak.md" "$@"
echo "soak: the table is in $dir/soak.md" >&2
