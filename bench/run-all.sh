#!/usr/bin/env bash
# Builds a release tree with the benchmarks and runs every one of them; they report, they do not gate.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARN_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --parallel
for b in "$build"/bench/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    QT_QPA_PLATFORM=offscreen "$b" || echo "$(basename "$b") exited with status $?"
done
