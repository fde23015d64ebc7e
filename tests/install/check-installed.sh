#!/usr/bin/env bash
# Usage: check-installed.sh CHECK PREFIX VERSION SOURCE_DIR [BUILD_DIR]
# Checks what `cmake --install` put under PREFIX the way a user meets it: the programs' answers,
# the first start, upgrades, the licence, the manual pages, the completion, the menu entry and
# metainfo, the user timer; and the Debian package made from BUILD_DIR. Exits 77 (a skip for
# CTest) with a message when a tool the check needs is not installed.
set -uo pipefail
check=$1 prefix=$2 version=$3 source_dir=$4 build_dir=${5:-}
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

# Runs a command with no display and a home of its own, which must stay as it was: answering
# --help or --version, or refusing to start, lays out no program folder.
without_display() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$scratch/home" XDG_DATA_HOME= "$@"
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
    local launcher=$prefix/bin/nimbrel-launch program usage
    expect_run 0 "nimbrel-launch $version" "nimbrel-launch --version" without_display "$launcher" --version
    for program in "$gui" "$launcher"; do
        usage=$(without_display "$program" --help 2>&1)
        [[ $? == 0 && $usage == "Usage: $(basename "$program") "* ]] ||
            fail "$(basename "$program") --help without a display: $usage"
        expect_run 0 "" "$(basename "$program") --help" without_display "$program" --help
    done
    expect_run 2 "" "nimbrel-launch --bogus" without_display "$launcher" --bogus
    [[ ! -e $scratch/home ]] || fail "--help or --version laid out $(find "$scratch/home")"
}

# Started in a folder that is not a program folder, nimbrel says what is missing and how to make
# one, and ends: with no display at all, or with one nobody looks at (no box then).
check_first_start() {
    [[ -x $gui ]] || skip "built without the desktop program"
    local here=$scratch/not-a-folder said
    mkdir -p "$here"
    for platform in "" offscreen; do
        said=$(cd "$here" && without_display env ${platform:+QT_QPA_PLATFORM=$platform} "$gui" 2>&1)
        [[ $? == 1 ]] || fail "nimbrel in an empty folder (platform '$platform') did not end with 1"
        [[ $said == "nimbrel: $here is not a Nimbrel program folder: it has no Categories.xml,"* &&
            $said == *"nimbrel-launch --folder $here" ]] ||
            fail "nimbrel in an empty folder (platform '$platform') said: $said"
    done
    [[ -z $(ls -A "$here") && ! -e $scratch/home ]] || fail "a refused start left files behind"
    # The manual's example does what it says.
    zcat "$prefix/share/man/man1/nimbrel.1.gz" | grep -qF 'nimbrel\-launch \-\-folder ~/my\-digest' ||
        fail "nimbrel(1) does not start a folder of one's own with nimbrel-launch --folder"
}

# The launcher's record of what it copied: a shipped file the user left alone follows a new
# version, one the user changed is kept with the new version beside it as .new (one line says
# so), one the user made is never touched; nothing is said or changed when nothing is new.
check_upgrade() {
    [[ -x $gui ]] || skip "built without the desktop program"
    local installed=$scratch/prefix folder=$scratch/folder shipped said
    mkdir -p "$installed/bin" "$installed/share"
    cp "$prefix/bin/nimbrel-launch" "$installed/bin/"
    cp -r "$prefix/lib" "$installed/"
    cp -r "$prefix/share/nimbrel" "$installed/share/"
    shipped=$installed/share/nimbrel/program-folder
    launch() { HOME=$scratch/home XDG_DATA_HOME= "$installed/bin/nimbrel-launch" --folder "$folder" --prepare 2>&1; }

    said=$(launch) || fail "the first launch failed: $said"
    [[ -z $said ]] || fail "the first launch said: $said"
    diff -r -x .shipped-files -x nimbrel.lock -x Sites -x Work -x Temp -x Profile "$shipped" "$folder" >/dev/null ||
        fail "the first launch did not lay out the shipped folder"
    echo "<!-- mine -->" >>"$folder/stylesheets/feed.xslt"
    echo "<Rules/>" >"$folder/Rip/mine.xml"
    echo "<!-- version 2 -->" >>"$shipped/stylesheets/feed.xslt"
    echo "<!-- version 2 -->" >>"$shipped/setup.xslt"
    echo "<Rules/>" >"$shipped/Rip/new.xml"

    said=$(launch) || fail "the launch after the upgrade failed: $said"
    [[ $said == "nimbrel: kept your changed $folder/stylesheets/feed.xslt; the new version is beside it as $folder/stylesheets/feed.xslt.new" ]] ||
        fail "the launch after the upgrade said: $said"
    cmp -s "$shipped/setup.xslt" "$folder/setup.xslt" || fail "the unedited setup.xslt did not follow"
    cmp -s "$shipped/stylesheets/feed.xslt" "$folder/stylesheets/feed.xslt.new" ||
        fail "the new feed.xslt is not beside the edited one"
    [[ $(tail -n1 "$folder/stylesheets/feed.xslt") == "<!-- mine -->" ]] || fail "the edited feed.xslt was lost"
    cmp -s "$shipped/Rip/new.xml" "$folder/Rip/new.xml" || fail "a newly shipped file was not laid out"
    [[ $(cat "$folder/Rip/mine.xml") == "<Rules/>" ]] || fail "the user's own rule was touched"

    local before
    before=$(cd "$folder" && find . -type f -exec sha256sum {} + | sort)
    said=$(launch) || fail "the third launch failed: $said"
    [[ -z $said ]] || fail "a launch with nothing new said: $said"
    [[ $before == "$(cd "$folder" && find . -type f -exec sha256sum {} + | sort)" ]] ||
        fail "a launch with nothing new changed the folder"

    # A run at work in the folder holds its lock: the update waits for a later start.
    echo "<!-- version 3 -->" >>"$shipped/setup.xslt"
    exec 8>>"$folder/nimbrel.lock"
    flock 8
    said=$(launch) && fail "the launch updated a folder another run holds"
    [[ $said == *"is in use by another Nimbrel run"* ]] || fail "a busy folder's launch said: $said"
    flock -u 8
    exec 8>&-
    cmp -s "$shipped/setup.xslt" "$folder/setup.xslt" && fail "a busy folder was changed"
    said=$(launch) || fail "the launch after the other run failed: $said"
    cmp -s "$shipped/setup.xslt" "$folder/setup.xslt" || fail "the next launch did not update"
}

# A feed link through the installed launcher while Nimbrel runs on the folder: the running
# program takes it and the launch ends at once; an address that is not a web one is refused.
check_feed_link() {
    [[ -x $gui ]] || skip "built without the desktop program"
    local folder=$scratch/links runtime=$scratch/runtime said running
    mkdir -m 700 "$runtime"
    nimbrel_here() {
        env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen \
            HOME="$scratch/home" XDG_DATA_HOME= "$@"
    }
    nimbrel_here "$prefix/bin/nimbrel-launch" --folder "$folder" --prepare || fail "--prepare failed"
    # exec, so that $! is the program itself and the kill below ends it.
    (cd "$folder" && exec env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$runtime" \
        QT_QPA_PLATFORM=offscreen HOME="$scratch/home" XDG_DATA_HOME= "$gui" >"$scratch/running.log" 2>&1) &
    running=$!
    local waited=0
    until compgen -G "$runtime/nimbrel-*.socket" >/dev/null; do
        ((waited++ < 300)) && kill -0 $running 2>/dev/null || break
        sleep 0.1
    done
    compgen -G "$runtime/nimbrel-*.socket" >/dev/null || fail "the running program made no socket: $(cat "$scratch/running.log")"
    said=$(nimbrel_here timeout 60 "$prefix/bin/nimbrel-launch" --folder "$folder" "feed:http://127.0.0.1:9/feed.xml" 2>&1) ||
        fail "a feed link to the running program failed: $said"
    kill -0 $running 2>/dev/null || fail "the running program ended"
    said=$(nimbrel_here "$prefix/bin/nimbrel-launch" --folder "$folder" "file:///tmp/feed.xml" 2>&1)
    [[ $? == 2 && $said == *"is a file on this computer"* ]] || fail "a file address was not refused: $said"
    kill $running 2>/dev/null
    wait $running 2>/dev/null
}

# The licence: the full text in the source, a machine-readable copyright file and the changes
# beside the installed program, the licence in the metainfo.
check_licence() {
    local doc=$prefix/share/doc/nimbrel
    grep -q "GNU GENERAL PUBLIC LICENSE" "$source_dir/LICENSE" && grep -q "Version 3, 29 June 2007" "$source_dir/LICENSE" ||
        fail "LICENSE is not the GPL version 3"
    [[ $(head -n1 "$doc/copyright" 2>/dev/null) == "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ]] ||
        fail "no DEP-5 copyright file at $doc/copyright"
    grep -qx "License: GPL-3+" "$doc/copyright" || fail "the copyright file names no GPL-3+ licence"
    [[ $(zcat "$doc/changelog.Debian.gz" 2>/dev/null | head -n1) == "nimbrel ($version-"* ]] ||
        fail "the Debian changelog does not begin with version $version"
    zcat "$doc/changelog.gz" 2>/dev/null | grep -q "^## $version" || fail "the changes do not name $version"
    grep -q "^## $version" "$source_dir/CHANGELOG.md" || fail "CHANGELOG.md does not name $version"
    if [[ -x $gui ]]; then
        grep -q "<project_license>GPL-3.0-or-later</project_license>" "$prefix"/share/metainfo/*.metainfo.xml ||
            fail "the metainfo names no licence"
    fi
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
    local entries=("$prefix"/share/applications/*.desktop)
    [[ ${#entries[@]} == 1 && -f ${entries[0]} ]] || { fail "wanted one menu entry: ${entries[*]}"; return; }
    local entry=${entries[0]} id
    id=$(basename "$entry" .desktop)
    [[ $id == *.*.* ]] || fail "the menu entry's name '$id' is no reverse-DNS id"
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
    local key
    for key in "Exec=nimbrel-launch %U" "TryExec=nimbrel-launch" "Icon=$id" "StartupWMClass=Nimbrel" \
        "X-LXQt-Need-Tray=true" \
        "MimeType=x-scheme-handler/feed;application/rss+xml;application/atom+xml;"; do
        grep -qxF "$key" "$entry" || fail "the menu entry lacks $key"
    done
    [[ -x $prefix/bin/nimbrel-launch ]] || fail "the menu entry runs nimbrel-launch, which is not installed"
    for icon in "256x256/apps/$id.png" "scalable/apps/$id.svg"; do
        [[ -f $prefix/share/icons/hicolor/$icon ]] || fail "the icon $icon is not installed"
    done
    [[ -f $prefix/share/metainfo/$id.metainfo.xml ]] || fail "the metainfo is not named $id"
    grep -q "<id>$id</id>" "$prefix/share/metainfo/$id.metainfo.xml" 2>/dev/null ||
        fail "the metainfo's id is not $id"
    # The program names its windows by the same id, so desktops match them to the entry.
    grep -qaF "$id" "$gui" || fail "nimbrel does not carry the id $id"
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

# The Debian package, made twice from the build: the same file byte for byte (its times are the
# commit's), with no maintainer script, and clean for lintian when it is installed.
check_package() {
    need dpkg-deb
    need dpkg-shlibdeps
    local epoch run debs
    epoch=$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null) || epoch=1796731200
    for run in first second; do
        SOURCE_DATE_EPOCH=$epoch cpack --config "$build_dir/CPackConfig.cmake" -G DEB \
            -B "$scratch/$run" >"$scratch/cpack.log" 2>&1 || { fail "cpack: $(cat "$scratch/cpack.log")"; return; }
    done
    debs=("$scratch"/first/nimbrel_*.deb)
    [[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || { fail "no package was made"; return; }
    cmp -s "${debs[0]}" "$scratch/second/$(basename "${debs[0]}")" ||
        fail "two packages of one commit differ"
    [[ $(dpkg-deb -f "${debs[0]}" Version) == "$version-"* ]] || fail "the package is not version $version"
    mkdir "$scratch/control"
    dpkg-deb -e "${debs[0]}" "$scratch/control"
    local script
    for script in preinst postinst prerm postrm triggers; do
        [[ ! -e $scratch/control/$script ]] || fail "the package runs a $script"
    done
    if command -v lintian >/dev/null; then
        local said
        said=$(lintian --fail-on error,warning "${debs[0]}" 2>&1) || fail "lintian: $said"
    else
        echo "note: lintian is not installed; the package's policy is not checked"
    fi
}

case $check in
version) check_version ;;
worker) check_worker ;;
first-start) check_first_start ;;
upgrade) check_upgrade ;;
feed-link) check_feed_link ;;
licence) check_licence ;;
package) check_package ;;
manpages) check_manpages ;;
completion) check_completion ;;
desktop-entry) check_desktop_entry ;;
metainfo) check_metainfo ;;
user-timer) check_user_timer ;;
*) echo "unknown check '$check'" >&2; exit 2 ;;
esac
[[ $failures == 0 ]] || exit 1
echo "$check: all good"
