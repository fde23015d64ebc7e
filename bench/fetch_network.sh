#!/usr/bin/env bash
# Usage: fetch_network.sh BUILD_DIR [BASELINE_DIGEST]
# The download cycle in the shape of a real network, against pages served from loopback
# addresses by bench/loopback_server.py (every figure is one whole nimbrel-digest cycle: fetch,
# cut, display):
#   1. 50 pages of 300 KB on 10 hosts (127.0.0.1 .. 127.0.0.10), each answer after 150 ms.
#   2. 200 pages of 300 KB on one host, no delay; with BASELINE_DIGEST (an earlier build of
#      nimbrel-digest) the same cycle by it too, interleaved; medians of 3 runs.
#   3. SIGTERM while 8 transfers are stalled (4 hosts that never answer): signal to exit.
#   4. A second cycle of shape 1 on the same folder, nothing changed at the servers: body bytes
#      transferred, and whether site.html came out the same (but for its time and statuses).
set -euo pipefail

build=$(cd "${1:?usage: fetch_network.sh BUILD_DIR [BASELINE_DIGEST]}" && pwd)
digest="$build/nimbrel-digest"
baseline=${2:-}
[[ -x "$digest" ]] || { echo "fetch_network: $digest not built" >&2; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/nimbrel-bench-XXXXXX)
servers=()
cleanup() {
    for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
export no_proxy=127.0.0.0/8,localhost

# Pages of about 300 KB, each with 20 items the rule below cuts.
mkdir -p "$work/www"
python3 - "$work/www" <<'EOF'
import sys, os
filler = "<p class=\"filler\">" + "lorem ipsum dolor sit amet, consectetur adipiscing elit " * 20 + "</p>\r\n"
for i in range(200):
    items = "".join(f"<div class=\"item\"><h3><a href=\"/story/{i}/{k}\">Title {i}.{k}</a></h3><p>Summary {k}</p></div>\r\n" for k in range(20))
    page = f"<html><head><title>Page {i}</title></head><body>{items}"
    while len(page) < 300 * 1024:
        page += filler
    open(os.path.join(sys.argv[1], f"p{i}.html"), "w").write(page + "</body></html>")
EOF

serve() { # hosts delay_ms log -> sets $port
    rm -f "$work/port"
    python3 "$here/loopback_server.py" --dir "$work/www" --port-file "$work/port" --log "$3" \
        --hosts "$1" --delay-ms "$2" --max-seconds 1800 &
    servers+=($!)
    for _ in $(seq 100); do [[ -f "$work/port" ]] && break; sleep 0.05; done
    port=$(cat "$work/port")
}

make_folder() { # folder, then the URLs
    local folder=$1
    shift
    mkdir -p "$folder"/{Sites,Work,Temp,Rip,stylesheets,icons,Profile}
    cat >"$folder/Rip/items.xml" <<'EOF'
<Rules><Command Name="append" Specific="0">
<StartTag IncludeTags="1" ReverseLTags="0" SkipSimilar="0">&lt;div class="item"</StartTag>
<EndTag IncludeTags="1" ReverseLTags="0" SkipSimilar="0">&lt;/div&gt;</EndTag>
</Command></Rules>
EOF
    cat >"$folder/stylesheets/items.xsl" <<'EOF'
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/>
<xsl:template match="/"><ul><xsl:for-each select="//*[local-name()='a']">
<li><a href="{@href}"><xsl:value-of select="."/></a></li></xsl:for-each></ul></xsl:template>
</xsl:stylesheet>
EOF
    cat >"$folder/setup.xslt" <<'EOF'
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/>
<xsl:template match="/"><html><body><table><tr><xsl:for-each select="//site">
<td><site URL="{@URL}"/></td></xsl:for-each></tr></table></body></html></xsl:template>
</xsl:stylesheet>
EOF
    printf 'Interval:900\r\nAutoView:False\r\n' >"$folder/options.nmo"
    {
        echo "<setup>"
        local i=0
        for url in "$@"; do
            echo "<site Name=\"Site $i\" URL=\"$url\" Type=\"html\" StyleSheet=\"items.xsl\" RipFile=\"items.xml\"/>"
            i=$((i + 1))
        done
        echo "</setup>"
    } >"$folder/setup.xml"
}

# One cycle: prints "wall cpu peak_MB status" and leaves stderr in $work/stderr.txt.
cycle() { # executable folder
    local start end status=0
    start=$(date +%s.%N)
    /usr/bin/time -f "%U %S %M" -o "$work/time.txt" "$1" --folder "$2" --no-open \
        >/dev/null 2>"$work/stderr.txt" || status=$?
    end=$(date +%s.%N)
    read -r user sys peak <"$work/time.txt"
    python3 -c "print(f'{$end-$start:.2f} {$user+$sys:.2f} {$peak/1024:.0f} $status')"
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

items_in() { grep -o 'Title [0-9]*\.[0-9]*' "$1/site.html" 2>/dev/null | wc -l; }

echo "== 1. 50 pages x 300 KB, 10 hosts, 150 ms per answer: one cycle"
serve 10 150 "$work/delayed.log"
urls=()
for i in $(seq 0 49); do urls+=("127.0.0.$((i % 10 + 1)):$port/p$i.html"); done
make_folder "$work/delayed" "${urls[@]}"
read -r wall cpu peak status < <(cycle "$digest" "$work/delayed")
echo "  wall ${wall} s, CPU ${cpu} s, peak ${peak} MB, exit ${status}, items in digest $(items_in "$work/delayed")/1000"

echo "== 4. the same cycle again, nothing changed at the servers"
: >"$work/delayed.log"
cp "$work/delayed/site.html" "$work/first-site.html"
sleep 1 # a second cycle in a later second, as a timer would run it
read -r wall cpu peak status < <(cycle "$digest" "$work/delayed")
awk '{n[$3]++; b+=$4} END {printf "  answers: %d x 304, %d x 200; body bytes transferred: %d\n", n[304], n[200], b}' "$work/delayed.log"
# The summary line carries the digest's own time and the frames say the pages were not
# modified; everything else must be the same.
without_time() {
    sed -e 's|<span class="digest-time">.*</span> <span class="digest-sites">||' \
        -e 's|data-status="not-modified"|data-status="ok"|' "$1"
}
if cmp -s <(without_time "$work/first-site.html") <(without_time "$work/delayed/site.html"); then
    same=yes
else
    same=NO
    diff <(without_time "$work/first-site.html") <(without_time "$work/delayed/site.html") | head -6
fi
echo "  wall ${wall} s, exit ${status}, site.html unchanged but for its time and statuses: ${same}"

echo "== 2. 200 pages x 300 KB, one host, no delay: one cycle, median of 3"
serve 1 0 "$work/plain.log"
urls=()
for i in $(seq 0 199); do urls+=("127.0.0.1:$port/p$i.html"); done
runners=("$digest")
[[ -n "$baseline" && -x "$baseline" ]] && runners+=("$baseline")
declare -A walls
for run in 1 2 3; do
    for exe in "${runners[@]}"; do
        rm -rf "$work/plain"
        make_folder "$work/plain" "${urls[@]}"
        read -r wall cpu peak status < <(cycle "$exe" "$work/plain")
        walls[$exe]+="$wall "
        echo "  $(basename "$(dirname "$exe")")/$(basename "$exe") run $run: wall ${wall} s, CPU ${cpu} s, peak ${peak} MB, exit ${status}, items $(items_in "$work/plain")/4000"
    done
done
for exe in "${runners[@]}"; do
    echo "  median wall $(tr ' ' '\n' <<<"${walls[$exe]}" | grep . | median) s: $exe"
done

echo "== 3. SIGTERM with 8 transfers stalled"
serve 4 0 "$work/stall.log"
urls=()
for k in 1 2 3 4; do for n in 1 2; do urls+=("127.0.0.$k:$port/stall?$n"); done; done
urls+=("127.0.0.1:$port/p0.html")
make_folder "$work/stall" "${urls[@]}"
"$digest" --folder "$work/stall" --no-open >/dev/null 2>"$work/stall-stderr.txt" &
pid=$!
sleep 1.5 # every transfer has begun and waits
start=$(date +%s.%N)
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
end=$(date +%s.%N)
echo "  ended $(python3 -c "print(f'{$end-$start:.3f}')") s after the signal, exit ${status}: $(grep -c Stopped "$work/stall-stderr.txt") rows Stopped; $(tail -1 "$work/stall-stderr.txt")"
