#!/usr/bin/env bash
# Usage: peer_cycle.sh BUILD_DIR   (a Release build; urlwatch installed: apt-get install urlwatch)
# One whole nimbrel-digest cycle against the peer page watcher, on the peer benchmark's pages
# (PEER_DIR, default ../shared/bench/peer beside the repository), in the two shapes the display
# step's figures are taken in:
#   1. 200 pages of 300 KB from one loopback host, the watcher with one worker;
#   2. 50 pages on 10 loopback hosts that each wait 150 ms, the watcher with its 10 workers.
# Each prints wall time, CPU time and peak memory of both, from one interleaved run; compare
# ratios within a run only (the machine is shared).
set -euo pipefail

build=$(cd "${1:?usage: peer_cycle.sh BUILD_DIR}" && pwd)
digest="$build/nimbrel-digest"
[[ -x "$digest" ]] || { echo "peer_cycle: $digest not built" >&2; exit 1; }
root=$(cd "$(dirname "$0")/.." && pwd)
peer=${PEER_DIR:-$root/../shared/bench/peer}
# Not every machine has the peer: then there is nothing to compare with.
[[ -f "$peer/run.sh" ]] || { echo "peer_cycle: no $peer/run.sh, skipped"; exit 0; }
command -v urlwatch >/dev/null || { echo "peer_cycle: urlwatch not installed, skipped"; exit 0; }
results=$(mktemp -d /tmp/nimbrel-peer-XXXXXX)
trap 'rm -rf "$results"' EXIT

export PROJECT_SETUP="python3 \"$peer/nimbrel_setup.py\" \"\$BENCH_URLS_TXT\" \"\$RUN_DIR/prog\" && ln -sf \"\$RUN_DIR/prog/site.html\" \"\$BENCH_OUT_HTML\""
export PROJECT_CMD="$digest --folder \$RUN_DIR/prog --no-open --quiet"

echo "== 200 pages of 300 KB, one loopback host"
bash "$peer/run.sh" -n 200 -r 1 -w 1 -V "project urlwatch_w1_full" -o "$results/one" |
    sed -n '/^| N pages/,$p'
echo "== 50 pages, 10 loopback hosts answering after 150 ms"
BENCH_DELAY_MS=150 BENCH_HOSTS=10 bash "$peer/run.sh" -n 50 -r 1 -w 0 \
    -V "project urlwatch_w10_full" -o "$results/ten" | sed -n '/^| N pages/,$p'
