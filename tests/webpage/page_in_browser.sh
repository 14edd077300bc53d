#!/usr/bin/env bash
# The status page as a browser shows it: Vorrak guards the walker scene with
# the page on (refresh 2 s); the page names the state, lists this run's
# events newest first with every picture present and shows a live picture
# that is not blank; once Vorrak has ended it says so and no longer reloads.
#   page_in_browser.sh BIN_DIR
set -euo pipefail
bin=$1
command -v chromium >/dev/null || { echo "chromium is not installed"; exit 77; }
tmp=$(mktemp -d)
vorrak=
cleanup() {
    [ -z "$vorrak" ] || kill "$vorrak" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
source "$(dirname "$0")/../support/headless_env.sh"
work=$tmp/work
page=$work/Oculara.html
fail() {
    echo "FAIL: $*" >&2
    cat "$tmp/vorrak.log" >&2
    exit 1
}
browser() {  # chromium's own options, then the page
    timeout 60 chromium --headless --no-sandbox --disable-gpu --user-data-dir="$tmp/chromium" \
        "$@" "file://$page" 2>/dev/null
}
# The page's event numbers, in its order: event-N.jpg of each entry.
listed() { grep -o 'event-[0-9]*\.jpg' "$1" | sed 's/[^0-9]//g' | tr '\n' ' '; }
# The event bitmaps of the run, newest first, the 50 the page may hold.
expected() {
    find "$work" -name 'error*.bmp' -size +0 | sed 's/.*error\([0-9]*\)\.bmp/\1/' |
        sort -rn | head -50 | tr '\n' ' '
}
every_picture_present() {  # dom
    local src
    for src in $(grep -o 'src="[^"]*"' "$1" | sed 's/src="\([^"?]*\).*/\1/'); do
        [ -s "$work/$src" ] || fail "the page shows $src, which is not there"
    done
}

printf '[composite]\nsource = scene:walker\n' >"$ZELKOR_VCARD"
"$bin/VrakSetup" --workdir "$work" --no-password RUNSTARTUP=1 PROCESSSTYLE=3 STOPSTYLE=2 \
    UPDATEWEBPAGE=2 >/dev/null
"$bin/Vorrak" 2>"$tmp/vorrak.log" &
vorrak=$!
# The page lists an event once the walker has crossed (a few seconds; more
# on a loaded machine or under the sanitizers).
for _ in $(seq 1 150); do
    ! grep -q 'event-[0-9]*\.jpg' "$page" 2>/dev/null || break
    sleep 0.2
done

browser --dump-dom >"$tmp/live.html"
grep -Eq '<p id="state">(Guarding|StandBy|Tracing) since [0-9-]+ [0-9:]+, events this run: [1-9]' \
    "$tmp/live.html" || fail "no state while running: $(grep 'id="state"' "$tmp/live.html")"
grep -q '<meta http-equiv="refresh" content="2">' "$tmp/live.html" || fail "no refresh while running"
[ -n "$(listed "$tmp/live.html")" ] || fail "no event listed while running"
every_picture_present "$tmp/live.html"
browser --window-size=800,700 --screenshot="$tmp/live.png" >/dev/null
spread=$(convert "$tmp/live.png" -crop 200x100+60+160 +repage -format '%[fx:standard_deviation]' info:)
awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }' || fail "the live picture is blank (deviation $spread)"

"$bin/sendcommand" ZelkorVorrak 40004
wait "$vorrak"
vorrak=
browser --dump-dom >"$tmp/stopped.html"
grep -Eq '<p id="state">stopped at [0-9-]+ [0-9:]+, events this run: [1-9]' "$tmp/stopped.html" ||
    fail "the ended page does not say so: $(grep 'id="state"' "$tmp/stopped.html")"
! grep -q 'http-equiv="refresh"' "$tmp/stopped.html" || fail "the ended page still reloads"
grep -Eq '<span id="taken">Picture of [0-9-]+ [0-9:]+</span>' "$tmp/stopped.html" ||
    fail "the last picture does not say when it was taken"
[ "$(listed "$tmp/stopped.html")" = "$(expected)" ] ||
    fail "listed $(listed "$tmp/stopped.html"), expected $(expected)"
every_picture_present "$tmp/stopped.html"
echo "ok: $(expected | wc -w) events listed"
