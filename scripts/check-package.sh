#!/usr/bin/env bash
# Usage: check-package.sh [OUT_DIR]
# Builds the Debian package from a fresh build in a temporary folder (no tests), lists it, and
# checks that it holds what an installed Nimbrel needs, names the libraries it runs on, runs no
# maintainer script, is hardened, and is reproducible: the programs are rebuilt and the package
# made again, which must give the same file byte for byte. Runs lintian when it is installed
# (errors and warnings fail). With OUT_DIR, the package is copied there. Takes minutes: it builds
# the programs once. The folder sits beside build/ so that ccache reuses the usual build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-}
work=$(mktemp -d "$root/build-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# As `make package` does: the file times are the commit's.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}

echo "check-package: building in $work"
cmake -S "$root" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DNIMBREL_BUILD_TESTS=OFF >/dev/null
cmake --build "$work" -j "${JOBS:-$(nproc)}" >/dev/null
make_package() {
    rm -f "$work"/nimbrel_*.deb
    (cd "$work" && cpack -G DEB >/dev/null)
    local debs=("$work"/nimbrel_*.deb)
    [[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || { echo "check-package: no package was made" >&2; exit 1; }
    mv "${debs[0]}" "$1"
}
make_package "$work/first.deb"

# The programs and the help file made again, a moment later: the package must not change.
sleep 1
rm -f "$work/nimbrel" "$work/nimbrel-digest" "$work/nimbrel-helpviewer.so" "$work/Nimbrel.chm"
cmake --build "$work" -j "${JOBS:-$(nproc)}" >/dev/null
make_package "$work/second.deb"
deb=$work/$(dpkg-deb -f "$work/first.deb" Package)_$(dpkg-deb -f "$work/first.deb" Version)_$(dpkg-deb -f "$work/first.deb" Architecture).deb
cmp -s "$work/first.deb" "$work/second.deb" ||
    fail "two packages of one commit differ: $(diff <(dpkg-deb -c "$work/first.deb") <(dpkg-deb -c "$work/second.deb") | head -5)"
cp "$work/first.deb" "$deb"

dpkg-deb -I "$deb"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's:^\./:/:' >"$work/contents"
grep -v '/$' "$work/contents"

id=$(sed -n 's/^set(NIMBREL_APP_ID "\([^"]*\)".*/\1/p' "$root/cmake/Identity.cmake")
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
expected=(
    /usr/bin/nimbrel /usr/bin/nimbrel-digest /usr/bin/nimbrel-launch
    "/usr/lib/$triplet/nimbrel/nimbrel-helpviewer.so"
    /usr/lib/nimbrel/nimbrel-worker /usr/lib/nimbrel/update-program-folder
    /usr/share/nimbrel/program-folder/Nimbrel.chm
    "/usr/share/applications/$id.desktop"
    "/usr/share/icons/hicolor/256x256/apps/$id.png"
    "/usr/share/icons/hicolor/scalable/apps/$id.svg"
    "/usr/share/metainfo/$id.metainfo.xml"
    /usr/share/man/man1/nimbrel.1.gz /usr/share/man/man1/nimbrel-digest.1.gz
    /usr/share/systemd/user/nimbrel-digest.service /usr/share/systemd/user/nimbrel-digest.timer
    /usr/share/bash-completion/completions/nimbrel-digest
    /usr/share/doc/nimbrel/copyright /usr/share/doc/nimbrel/changelog.gz
    /usr/share/doc/nimbrel/changelog.Debian.gz
)
# The shipped program folder, file by file, as data/ holds it.
while IFS= read -r file; do
    expected+=("/usr/share/nimbrel/program-folder/${file#"$root"/data/}")
done < <(find "$root/data" -type f)
for file in "${expected[@]}"; do
    grep -qxF "$file" "$work/contents" || fail "missing $file"
done

version=$("$work/nimbrel-digest" --version | cut -d' ' -f2)
[[ $(dpkg-deb -f "$deb" Version) == "$version"-* ]] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libcurl4 libxml2 libxslt1.1 libtidy5deb1 libseccomp2 libqt6widgets6 libqt6network6 \
    libqt6help6 libqt6sql6-sqlite xdg-utils; do
    [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] ||
        fail "Depends lacks $library: $depends"
done

# Nothing to run on installing or removing: the help viewer is a private library.
mkdir "$work/control"
dpkg-deb -e "$deb" "$work/control"
for script in preinst postinst prerm postrm triggers; do
    [[ ! -e $work/control/$script ]] || fail "the package has a $script: $(cat "$work/control/$script")"
done

mkdir "$work/extracted"
dpkg-deb -x "$deb" "$work/extracted"
grep -q '"/usr/bin/nimbrel-digest"' "$work/extracted/usr/share/systemd/user/nimbrel-digest.service" ||
    fail "the user service does not run /usr/bin/nimbrel-digest"
for program in usr/bin/nimbrel usr/bin/nimbrel-digest "usr/lib/$triplet/nimbrel/nimbrel-helpviewer.so"; do
    binary=$work/extracted/$program
    [[ $(file -b "$binary") != *"not stripped"* ]] || fail "/$program is not stripped"
    # Hardened: read-only relocations bound at start, stack protector, checked functions.
    # (Read whole first: grep -q ending early would break readelf's pipe.)
    headers=$(readelf -hlW "$binary") dynamic=$(readelf -dW "$binary") symbols=$(readelf -sW --dyn-syms "$binary")
    grep -q GNU_RELRO <<<"$headers" || fail "/$program has no RELRO"
    grep -qE 'BIND_NOW|FLAGS_1.*NOW' <<<"$dynamic" || fail "/$program is not bound now"
    grep -q __stack_chk_fail <<<"$symbols" || fail "/$program has no stack protector"
    [[ $program == *.so ]] || grep -qE '__[a-z]+_chk@' <<<"$symbols" ||
        fail "/$program uses no checked functions"
    [[ $program == *.so ]] || grep -q 'Type: *DYN' <<<"$headers" ||
        fail "/$program is not position-independent"
done

if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb" || fail "lintian finds errors or warnings"
else
    echo "check-package: lintian is not installed; the package's policy is not checked"
fi

if [[ -n $out ]]; then
    mkdir -p "$out"
    cp "$deb" "$out/"
    echo "check-package: $out/$(basename "$deb")"
fi
[[ $failures == 0 ]] || { echo "check-package: $failures problem(s)" >&2; exit 1; }
echo "check-package: $(basename "$deb") holds everything, is hardened and reproducible"
