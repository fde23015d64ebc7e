#!/usr/bin/env bash
# Usage: prepare-program-folder.sh PROGRAM_DIR [BUILD_DIR]
# Lays out a Nimbrel program folder from data/: shipped files are copied when missing (the
# user's selection, options and digest are never touched) and the working folders are made.
set -euo pipefail
target=$1
build=${2:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
[[ "$build" = /* ]] || build="$root/$build"

mkdir -p "$target"
cp -rn "$root/data/." "$target/" 2>/dev/null || true
for sub in Sites Work Temp Rip stylesheets icons Profile; do
    mkdir -p "$target/$sub"
done
# The help file is built, not shipped in data/: always take the newest.
if [[ -f "$build/Nimbrel.chm" ]]; then
    cp -f "$build/Nimbrel.chm" "$target/Nimbrel.chm"
fi
