#!/usr/bin/env bash
# Usage: check-installed.sh CHECK PREFIX VERSION SOURCE_DIR
# Checks what `cmake --install` put under PREFIX the way a user meets it: the programs' answers,
# the manual pages, the completion, the menu entry and metainfo, the user timer. Exits 77 (a
# skip for CTest) with a message when a tool the check needs is not installed.
set -uo pipefail
check=$1 prefix=$2 version=$3 source_dir=$4
digest=$prefix/bin/nimbrel-digest
gui=$prefix/bin/nimbrel
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
skip() { echo "SKIP: $*"; exit 77; }
need() { command -v "$1" >/dev/null || skip "$1 is not installed (scripts/install-deps.sh installs it)"; }

# The long options nimbrel-digest's usage lists, one a line, sorted.
usage_options() { "$digest" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u; }

# Runs a program in an empty folder: expects exit status, exact stdout, nothing on stderr and
# nothing left in the folder.
expect_run() {
    local want_status=$1 want_out=$2 label=$3
    shift 3
    local here=$scratch/run.$RANDOM
    mkdir "$here"
    local out status
    out=$(cd "$here" && "$@" 2>"$scratch/err")
    status=$?
    [[ $status == "$want_status" ]] || fail "$label: exit status $status, wanted $want_status"
    [[ -z $want_out || $out == "$want_out" ]] || fail "$label: printed '$out', wanted '$want_out'"
    [[ $want_status != 0 || ! -s $scratch/err ]] || fail "$label: stderr: $(cat "$scratch/err")"
    [[ -z $(ls -A "$here") ]] || fail "$label: left files in the current folder: $(ls -A "$here")"
}

check_version() {
    expect_run 0 "nimbrel-digest $version" "nimbrel-digest --version" "$digest" --version
    expect_run 2 "" "nimbrel-digest --version --bogus" "$digest" --version --bogus
    [[ -x $gui ]] || return 0
    expect_run 0 "nimbrel $version" "nimbrel --version offscreen" \
        env QT_QPA_PLATFORM=offscreen "$gui" --version
    # No display at all: answering must not need one, so no window may be created first.
    expect_run 0 "nimbrel $version" "nimbrel --version without a display" \
        env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$gui" --version
}

check_manpages() {
    need man
    local page rendered
    for page in "$prefix"/share/man/man1/nimbrel*.1.gz; do
        # From the manual's root, where a page that sources another (".so man1/...") finds it.
        rendered=$(cd "$prefix/share/man" && MANWIDTH=80 man --warnings -l "$page" 2>"$scratch/warnings")
        [[ ! -s $scratch/warnings ]] || fail "$page: $(cat "$scratch/warnings")"
        grep -q '^NAME' <<<"$rendered" || fail "$page: renders no NAME section"
        # The source with roff's "\-" as plain "-": rendered text may break an option at a "-".
        zcat "$page" | sed 's/\\-/-/g' >"$scratch/$(basename "$page" .1.gz).txt"
    done
    [[ -f $scratch/nimbrel-digest.txt ]] || { fail "nimbrel-digest(1) is not installed"; return; }
    local option
    for option in $(usage_options); do
        grep -qe "$option" "$scratch/nimbrel-digest.txt" || fail "nimbrel-digest(1) lacks $option"
    done
    if [[ -x $gui ]]; then
        grep -qe "--version" "$scratch/nimbrel.txt" 2>/dev/null || fail "nimbrel(1) lacks --version"
    fi
}

check_completion() {
    local script=$prefix/share/bash-completion/completions/nimbrel-digest
    [[ -f $script ]] || { fail "no completion installed at $script"; return; }
    mkdir -p "$scratch/tree/Work dir" "$scratch/tree/Sites"
    touch "$scratch/tree/site.html"
    # Each case: the words typed so far (the last one being completed) | the offers wanted,
    # sorted and joined by ";", so that a folder name with a blank must stay one offer.
    local cases=(
        "--q|--quiet"
        "--no|--no-open"
        "--quiet --di|--display-only"
        "--folder $scratch/tree/|$scratch/tree/Sites;$scratch/tree/Work dir"
        "--folder = $scratch/tree/W|$scratch/tree/Work dir"
        "--site |"
    )
    local entry words want got
    for entry in "${cases[@]}"; do
        words=${entry%%|*} want=${entry#*|}
        got=$(bash -c 'source "$1"; shift
                       read -ra COMP_WORDS <<<"nimbrel-digest $1"
                       [[ $1 == *" " ]] && COMP_WORDS+=("")
                       COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
                       _nimbrel_digest
                       printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd";"' _ "$script" "$words")
        [[ $got == "$want" ]] || fail "completion of '$words': '$got', wanted '$want'"
    done
    local offered
    offered=$(bash -c 'source "$1"; COMP_WORDS=(nimbrel-digest --); COMP_CWORD=1
                       _nimbrel_digest; printf "%s\n" "${COMPREPLY[@]}" | sort -u' _ "$script")
    [[ $offered == "$(usage_options)" ]] ||
        fail "completion offers [$(echo $offered)], --help lists [$(echo $(usage_options))]"
}

check_desktop_entry() {
    [[ -x $gui ]] || skip "built without the desktop program"
    need desktop-file-validate
    local entry=$prefix/share/applications/nimbrel.desktop
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
    local exec icon
    exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [[ -x $prefix/bin/$exec ]] || fail "the menu entry runs '$exec', which is not installed"
    compgen -G "$prefix/share/icons/hicolor/*/apps/$icon.*" >/dev/null ||
        fail "the menu entry's icon '$icon' is not installed"
}

check_metainfo() {
    [[ -x $gui ]] || skip "built without the desktop program"
    need appstreamcli
    local files=("$prefix"/share/metainfo/*.metainfo.xml)
    [[ ${#files[@]} == 1 && -f ${files[0]} ]] || { fail "wanted one metainfo file: ${files[*]}"; return; }
    local metainfo=${files[0]}
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
    local launchable newest image
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    [[ -f $prefix/share/applications/$launchable ]] ||
        fail "the metainfo launches '$launchable', which is not installed"
    newest=$(grep -m1 -o '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
    [[ $newest == "$version" ]] || fail "newest release in the metainfo is '$newest', not $version"
    for image in $(sed -n 's:.*<image>\(.*\)</image>.*:\1:p' "$metainfo"); do
        [[ $image == https://* ]] || fail "screenshot $image is not an https address"
        [[ -f $source_dir/docs/$(basename "$image") ]] || fail "screenshot $image is not in docs/"
    done
}

# Runs one command line of the installed service as systemd would: "$$" is a plain "$".
run_unit_line() {
    local key=$1 line
    line=$(sed -n "s/^$key=//p" "$prefix/share/systemd/user/nimbrel-digest.service")
    eval "${line//\$\$/\$}"
}

prepare_folder() {
    "$source_dir/scripts/prepare-program-folder.sh" "$1" >/dev/null
    echo '<Layout><table><tr></tr></table></Layout>' >"$1/setup.xml"
}

check_user_timer() {
    local units=$prefix/share/systemd/user
    if command -v systemd-analyze >/dev/null; then
        systemd-analyze verify --man=no "$units/nimbrel-digest.service" "$units/nimbrel-digest.timer" ||
            fail "systemd-analyze rejects the units"
    else
        echo "note: systemd-analyze is not installed; the units' syntax is not checked"
    fi
    grep -q "$prefix/bin/nimbrel-digest" "$units/nimbrel-digest.service" ||
        fail "the service does not run the installed nimbrel-digest"

    # No program folder yet: the run is skipped (status 1 of a condition) with a note naming it.
    local note
    note=$(HOME=$scratch/new XDG_DATA_HOME= run_unit_line ExecCondition 2>&1) &&
        fail "the condition passes without a program folder"
    [[ $note == *"$scratch/new/.local/share/nimbrel"* ]] || fail "the skip note names no folder: $note"
    [[ ! -e $scratch/new ]] || fail "a skipped run created $scratch/new"

    # A selection in the XDG folder, or in ~/.local/share without XDG_DATA_HOME: a digest there.
    prepare_folder "$scratch/xdg/nimbrel"
    prepare_folder "$scratch/home/.local/share/nimbrel"
    local data_home folder
    for data_home in "$scratch/xdg" ""; do
        folder=${data_home:-$scratch/home/.local/share}/nimbrel
        (
            export HOME=$scratch/home XDG_DATA_HOME=$data_home
            run_unit_line ExecCondition && run_unit_line ExecStart
        ) || fail "the service failed on $folder"
        [[ -f $folder/site.html ]] || fail "the service made no digest in $folder"
    done
}

# The worker that cleans and transforms the pages is installed where both programs look for it,
# shut in its sandbox, and the installed nimbrel-digest finds it there.
check_worker() {
    local worker=$prefix/lib/nimbrel/nimbrel-worker
    [[ -x $worker ]] || { fail "no worker installed at $worker"; return; }
    expect_run 0 "nimbrel-worker $version" "nimbrel-worker --version" "$worker" --version
    "$worker" --check-sandbox >"$scratch/sandbox" || fail "the worker's sandbox: $(cat "$scratch/sandbox")"
    local folder=$scratch/worker-folder
    prepare_folder "$folder"
    echo '<Layout><table><tr><td><site Name="Local" URL="feed.example/rss" Type="rss"
          StyleSheet="feed.xslt" RipFile="feed.xml"/></td></tr></table></Layout>' >"$folder/setup.xml"
    printf '%s' '<rss version="2.0"><channel><title>Local feed</title><link>http://feed.example/</link>' \
        '<item><title>Story cleaned by the installed worker</title>' \
        '<link>http://feed.example/1</link></item></channel></rss>' >"$folder/Sites/feed.example___rss.dat"
    "$digest" --folder "$folder" --rip-only --quiet && "$digest" --folder "$folder" --display-only --no-open --quiet ||
        fail "the installed nimbrel-digest could not make the digest"
    grep -q "Story cleaned by the installed worker" "$folder/site.html" 2>/dev/null ||
        fail "the digest does not show the site's block"
}

case $check in
version) check_version ;;
worker) check_worker ;;
manpages) check_manpages ;;
completion) check_completion ;;
desktop-entry) check_desktop_entry ;;
metainfo) check_metainfo ;;
user-timer) check_user_timer ;;
*) echo "unknown check '$check'" >&2; exit 2 ;;
esac
[[ $failures == 0 ]] || exit 1
echo "$check: all good"
