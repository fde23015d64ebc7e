#!/usr/bin/env bash
# Usage: check-package.sh [OUT_DIR]
# Builds the Debian package from a fresh build in a temporary folder (no tests), lists it, and
# checks that it holds what an installed Nimbrel needs and names the libraries it runs on.
# With OUT_DIR, the package is copied there. Takes minutes: it builds the programs once. The
# folder sits beside build/ so that ccache (with CCACHE_BASEDIR) reuses the usual build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-}
work=$(mktemp -d "$root/build-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

echo "check-package: building in $work"
cmake -S "$root" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DNIMBREL_BUILD_TESTS=OFF >/dev/null
cmake --build "$work" -j "${JOBS:-$(nproc)}" >/dev/null
(cd "$work" && cpack -G DEB >/dev/null)
debs=("$work"/nimbrel_*.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || { echo "check-package: no package was made" >&2; exit 1; }
deb=${debs[0]}

dpkg-deb -I "$deb"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's:^\./:/:' >"$work/contents"
grep -v '/$' "$work/contents"

expected=(
    /usr/bin/nimbrel /usr/bin/nimbrel-digest /usr/bin/nimbrel-launch
    /usr/lib/nimbrel/nimbrel-helpviewer.so /usr/lib/nimbrel/nimbrel-worker
    /usr/share/nimbrel/program-folder/Nimbrel.chm
    /usr/share/applications/nimbrel.desktop
    /usr/share/icons/hicolor/256x256/apps/nimbrel.png
    /usr/share/icons/hicolor/scalable/apps/nimbrel.svg
    /usr/share/man/man1/nimbrel.1.gz /usr/share/man/man1/nimbrel-digest.1.gz
    /usr/share/systemd/user/nimbrel-digest.service /usr/share/systemd/user/nimbrel-digest.timer
    /usr/share/bash-completion/completions/nimbrel-digest
)
# The shipped program folder, file by file, as data/ holds it.
while IFS= read -r file; do
    expected+=("/usr/share/nimbrel/program-folder/${file#"$root"/data/}")
done < <(find "$root/data" -type f)
for file in "${expected[@]}"; do
    grep -qxF "$file" "$work/contents" || fail "missing $file"
done
grep -q '^/usr/share/metainfo/.*\.metainfo\.xml$' "$work/contents" || fail "missing the metainfo"

version=$("$work/nimbrel-digest" --version | cut -d' ' -f2)
[[ $(dpkg-deb -f "$deb" Version) == "$version"-* ]] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libcurl4 libxml2 libxslt1.1 libtidy5deb1 libseccomp2 libqt6widgets6 \
    libqt6help6 libqt6sql6-sqlite xdg-utils; do
    [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] ||
        fail "Depends lacks $library: $depends"
done

mkdir "$work/extracted"
dpkg-deb -x "$deb" "$work/extracted"
grep -q '"/usr/bin/nimbrel-digest"' "$work/extracted/usr/share/systemd/user/nimbrel-digest.service" ||
    fail "the user service does not run /usr/bin/nimbrel-digest"
for program in nimbrel nimbrel-digest; do
    [[ $(file -b "$work/extracted/usr/bin/$program") != *"not stripped"* ]] ||
        fail "/usr/bin/$program is not stripped"
done

if [[ -n $out ]]; then
    mkdir -p "$out"
    cp "$deb" "$out/"
    echo "check-package: $out/$(basename "$deb")"
fi
[[ $failures == 0 ]] || { echo "check-package: $failures problem(s)" >&2; exit 1; }
echo "check-package: $(basename "$deb") holds everything"
