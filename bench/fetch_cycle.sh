#!/usr/bin/env bash
# Usage: fetch_cycle.sh BUILD_DIR
# Measures nimbrel-digest's download cycle against pages served from 127.0.0.1:
#   1. 200 sites of 300 KB each, the whole cycle (fetch, cut, and display once it is built in):
#      wall time, CPU time, peak memory;
#   2. one page of 200 MB: the download stops at the 32 MB page limit and keeps no page; peak
#      memory must stay under 64 MB. That site has no rule file, so the cycle ends right after the
#      download (status 3);
#   3. the cut of a page at the limit (32 MB, one line once joined), --rip-only: peak memory must
#      stay under 64 MB.
set -euo pipefail

build=$(cd "${1:?usage: fetch_cycle.sh BUILD_DIR}" && pwd)
digest="$build/nimbrel-digest"
[[ -x "$digest" ]] || { echo "fetch_cycle: $digest not built" >&2; exit 1; }
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/nimbrel-bench-XXXXXX)
server_pid=""
cleanup() {
    # The server ends by the signal: no failure of the benchmark.
    [[ -z "$server_pid" ]] || { kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null || true; }
    rm -rf "$work"
}
trap cleanup EXIT

make_folder() { # folder
    mkdir -p "$1"/{Sites,Work,Temp,Rip,stylesheets,icons,Profile}
    if [[ -d "$root/data" ]]; then
        cp -r "$root/data/." "$1/" 2>/dev/null || true
        rm -f "$1/setup.xml" "$1/setup.nml"
    fi
}

# Pages: a body the rule below cuts a small block out of, padded to 300 KB.
www="$work/www"
mkdir -p "$www"
python3 - "$www" <<'EOF'
import sys, os
www = sys.argv[1]
filler = ("<p>" + "lorem ipsum dolor sit amet " * 3 + "</p>\r\n") * 4000
for i in range(200):
    page = f"<html><head><title>Page {i}</title></head><body><div id=\"news\"><a href=\"/{i}\">Headline {i}</a></div>{filler}</body></html>"
    page = page[: 300 * 1024 - 20] + "</body></html>"
    open(os.path.join(www, f"p{i}.html"), "w").write(page)
with open(os.path.join(www, "huge.html"), "wb") as f:
    block = (b"<p>" + b"x" * 1017 + b"</p>\r\n") * 1024
    for _ in range(200):
        f.write(block)
EOF

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$www" >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 50); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1',$port),0.2)" 2>/dev/null && break
    sleep 0.1
done

rule='<Rules><Command Name="append" Specific="0"><StartTag IncludeTags="1" ReverseLTags="0" SkipSimilar="0">&lt;div id="news"&gt;</StartTag><EndTag IncludeTags="1" ReverseLTags="0" SkipSimilar="0">&lt;/div&gt;</EndTag></Command></Rules>'

many="$work/many"
make_folder "$many"
printf '%s\n' "$rule" >"$many/Rip/bench.xml"
# The sites' stylesheet: without it the display step fails and the figure stops short of it.
cat >"$many/stylesheets/bench.xsl" <<'EOF'
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html"/>
<xsl:template match="/"><ul><xsl:for-each select="//*[local-name()='a']">
<li><xsl:value-of select="."/></li></xsl:for-each></ul></xsl:template>
</xsl:stylesheet>
EOF
{
    echo '<setup><category Name="Bench">'
    for i in $(seq 0 199); do
        echo "<site Name=\"Page $i\" URL=\"127.0.0.1:$port/p$i.html\" Type=\"html\" StyleSheet=\"bench.xsl\" RipFile=\"bench.xml\"/>"
    done
    echo '</category></setup>'
} >"$many/setup.xml"

huge="$work/huge"
make_folder "$huge"
echo "<setup><site Name=\"Huge\" URL=\"127.0.0.1:$port/huge.html\" Type=\"html\" StyleSheet=\"bench.xsl\" RipFile=\"absent.xml\"/></setup>" >"$huge/setup.xml"

measure() { # label folder -> prints figures; returns the status
    local label=$1 folder=$2 status=0
    local start end
    start=$(date +%s.%N)
    if [[ -x /usr/bin/time ]]; then
        /usr/bin/time -v -o "$work/time.txt" "$digest" --folder "$folder" --quiet --no-open \
            >/dev/null 2>"$work/stderr.txt" || status=$?
    else
        "$digest" --folder "$folder" --quiet --no-open >/dev/null 2>"$work/stderr.txt" || status=$?
    fi
    end=$(date +%s.%N)
    echo "$label"
    echo "  exit status:  $status"
    echo "  wall time:    $(python3 -c "print(f'{$end-$start:.2f} s')")"
    if [[ -f "$work/time.txt" ]]; then
        awk -F': ' '/User time/ {u=$2} /System time/ {s=$2} /Maximum resident/ {m=$2}
            END {printf "  CPU time:     %.2f s (user %.2f, system %.2f)\n  peak memory:  %.1f MB\n", u+s, u, s, m/1024}' \
            "$work/time.txt"
    fi
    return "$status"
}

measure "200 sites of 300 KB, whole cycle" "$many" || true
pages=$(find "$many/Sites" -name '*.dat' | wc -l)
echo "  page files:   $pages, cut files: $(find "$many/Work" -name "*.dat" | wc -l)"

within_64mb() {
    [[ -f "$work/time.txt" ]] || return 0
    local peak_kb
    peak_kb=$(awk -F': ' '/Maximum resident/ {print $2}' "$work/time.txt")
    if ((peak_kb < 64 * 1024)); then
        echo "  within 64 MB"
    else
        echo "  OVER 64 MB" >&2
        return 1
    fi
}

measure "one page of 200 MB, download only" "$huge" || true
echo "  page files:   $(find "$huge/Sites" -name '*.dat' | wc -l)"
within_64mb

# The cut of a page of 32 MB: the downloaded page is written straight into the folder, with a
# rule that cuts its items.
head -c $((32 * 1024 * 1024 - 16)) "$www/huge.html" >"$huge/Sites/127.0.0.1...${port}___huge.html.dat"
printf '%s\n' "$rule" >"$huge/Rip/absent.xml"
start=$(date +%s.%N)
/usr/bin/time -v -o "$work/time.txt" "$digest" --folder "$huge" --rip-only >/dev/null 2>&1
end=$(date +%s.%N)
echo "the cut of a page of 32 MB"
echo "  wall time:    $(python3 -c "print(f'{$end-$start:.2f} s')")"
awk -F': ' '/Maximum resident/ {printf "  peak memory:  %.1f MB\n", $2/1024}' "$work/time.txt"
within_64mb
