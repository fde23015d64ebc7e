#!/usr/bin/env bash
# Usage: run-benchmarks.sh BUILD_DIR — runs every benchmark program and script under bench/.
set -euo pipefail
build=$1
root=$(cd "$(dirname "$0")/.." && pwd)
found=0
for exe in "$build"/bench/bench_*; do
    [[ -x "$exe" ]] || continue
    found=1
    echo "== $(basename "$exe")"
    "$exe"
done
for script in "$root"/bench/*.sh; do
    [[ -x "$script" ]] || continue
    found=1
    echo "== $(basename "$script")"
    "$script" "$build"
done
[[ $found -eq 1 ]] || echo "no benchmarks yet"
