#!/usr/bin/env bash
# Usage: prepare-program-folder.sh PROGRAM_DIR [BUILD_DIR]
# Lays out a Nimbrel program folder from data/, or brings it up to date, as the installed
# launcher does from the installed copy (packaging/update-program-folder: a shipped file you
# changed is kept, the new version put beside it as FILE.new), and puts the built help file in.
set -euo pipefail
target=$1
build=${2:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
[[ "$build" = /* ]] || build="$root/$build"

"$root/packaging/update-program-folder" "$root/data" "$target"
# The help file is built, not shipped in data/: always take the newest.
if [[ -f "$build/Nimbrel.chm" ]]; then
    cp -f "$build/Nimbrel.chm" "$target/Nimbrel.chm"
fi
