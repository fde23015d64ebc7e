#!/usr/bin/env bash
# Usage: demo.sh [BUILD_DIR]
# The offline demo: serves demo/www on 127.0.0.1, prepares BUILD_DIR/demo-folder with a
# library that points at that server, runs one download cycle with nimbrel-digest and
# prints the path of the digest page; in a terminal it then serves the page's pictures until
# Enter is pressed. Needs no internet.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
[[ "$build" = /* ]] || build="$root/$build"
folder="$build/demo-folder"
www="$build/demo-www"
digest="$build/nimbrel-digest"

command -v python3 >/dev/null || { echo "demo: python3 is needed to serve the demo pages" >&2; exit 1; }
[[ -x "$digest" ]] || { echo "demo: $digest is missing; build first" >&2; exit 1; }

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')
base="http://127.0.0.1:$port"

# The pages and the library name the server by @BASE@.
rm -rf "$www" "$folder"
mkdir -p "$www"
cp -r "$root/demo/www/." "$www/"
for page in "$www"/*.*; do
    sed -i "s#@BASE@#$base#g" "$page"
done

"$root/scripts/prepare-program-folder.sh" "$folder" "$build" >/dev/null
sed "s#@BASE@#$base#g" "$root/demo/Categories.xml.in" >"$folder/Categories.xml"
cp "$root/demo/setup.nml" "$folder/setup.nml"
# setup.xml: each chosen entry's library element, in list order.
{
    printf '<Layout><table><tr>'
    while IFS= read -r entry; do
        entry=${entry%$'\r'}
        [[ -z "$entry" ]] && continue
        name=${entry#*->}
        element=$(grep -F "<site Name=\"$name\" " "$folder/Categories.xml" | head -n 1 | sed 's/^ *//')
        printf '<td>%s</td>' "${element:-<Error/>}"
    done <"$folder/setup.nml"
    printf '</tr></table></Layout>'
} >"$folder/setup.xml"

python3 -m http.server "$port" --bind 127.0.0.1 --directory "$www" >"$build/demo-server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    python3 -c "import urllib.request; urllib.request.urlopen('$base/courier.xml', timeout=1)" 2>/dev/null && break
    sleep 0.1
done

# The digest is written, not opened: the demo prints where it is.
BROWSER=true "$digest" --folder "$folder" --no-open
echo "$folder/site.html"

# The digest's pictures come from the demo server: in a terminal it keeps serving them until
# asked to stop, so the page can be looked at; from a script it stops at once.
if [[ -t 0 ]]; then
    echo "demo: serving the pictures at $base; open the page, then press Enter here to stop" >&2
    read -r _ || true
else
    echo "demo: server stopped; the page's pictures need it (run 'make demo' in a terminal)" >&2
fi
