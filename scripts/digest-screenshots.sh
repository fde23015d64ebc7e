#!/usr/bin/env bash
# Usage: digest-screenshots.sh [BUILD_DIR]
# Remakes docs/digest-demo.png (the offline demo's first digest) and docs/digest-light.png and
# docs/digest-dark.png: its digest after a second download cycle in which one feed has a new
# story and one page is gone, so the pictures show a new item and a failure kept in place. Needs python3 and chromium (not needed by the
# build, the tests or CI). Needs no internet.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
[[ "$build" = /* ]] || build="$root/$build"
folder="$build/demo-folder"
www="$build/demo-www"
browser=$(command -v chromium || command -v chromium-browser || true)
[[ -n "$browser" ]] || { echo "screenshots: chromium is needed" >&2; exit 1; }

profile=$(mktemp -d)
server=
trap 'kill $server 2>/dev/null || true; wait $server 2>/dev/null || true; rm -rf "$profile"' EXIT

shoot() { # shoot OUTPUT [EXTRA_FLAG]
    rm -rf "${profile:?}"/*
    "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$profile" --hide-scrollbars --window-size=1400,900 \
        --virtual-time-budget=3000 --screenshot="$1" ${2:+"$2"} "file://$folder/site.html" \
        >/dev/null 2>&1
}

serve() { # the demo pages and their pictures, on the demo's port
    python3 -m http.server "$port" --bind 127.0.0.1 --directory "$www" >"$build/demo-server.log" 2>&1 &
    server=$!
    for _ in $(seq 50); do
        python3 -c "import urllib.request; urllib.request.urlopen('$base/courier.xml', timeout=1)" 2>/dev/null && break
        sleep 0.1
    done
}

# The first cycle: the demo as it ships.
"$root/scripts/demo.sh" "$build" </dev/null >/dev/null 2>&1
port=$(grep -o '127\.0\.0\.1:[0-9]*' "$folder/setup.xml" | head -n 1 | cut -d: -f2)
base="http://127.0.0.1:$port"
serve
shoot "$root/docs/digest-demo.png"

# Meanwhile a story appears at the top of the courier and the front page goes away.
python3 - "$www/courier.xml" "$base" <<'EOF'
import sys
path, base = sys.argv[1], sys.argv[2]
text = open(path, encoding="utf-8").read()
story = """<item>
      <title>Harbour ferry returns after a year of repairs</title>
      <link>https://courier.example/news/2025/12/09/ferry</link>
      <description>&lt;p&gt;The restored boat sails every half hour again, with room for forty bicycles.&lt;/p&gt;</description>
      <pubDate>Tue, 09 Dec 2025 07:30:00 GMT</pubDate>
      <media:thumbnail url="%s/img/pic07.svg" width="80" height="80"/>
    </item>
    <item>""" % base
open(path, "w", encoding="utf-8").write(text.replace("<item>", story, 1))
EOF
rm -f "$www/frontpage.html"

"$build/nimbrel-digest" --folder "$folder" --no-open --quiet
shoot "$root/docs/digest-light.png"
shoot "$root/docs/digest-dark.png" --force-dark-mode
echo "$root/docs/digest-demo.png $root/docs/digest-light.png $root/docs/digest-dark.png"
