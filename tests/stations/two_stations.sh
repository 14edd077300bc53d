#!/usr/bin/env bash
# Two stations guarding side by side on one machine, each on the walker
# scene through a card file of its own: each is ended by its own class only,
# and the Histran each starts stores exactly that station's events in that
# station's database. A second start of a running station is refused; the
# default station still starts beside it.
#   two_stations.sh BIN_DIR
set -euo pipefail
bin=$1
tmp=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$tmp"
}
trap cleanup EXIT
source "$(dirname "$0")/../support/headless_env.sh"
# The environment names a still scene: a station that read it instead of
# its own card file would raise no events.
printf '[composite]\nsource = scene:static\n' >"$ZELKOR_VCARD"

source "$(dirname "$0")/stations_lib.sh"

for s in A B; do
    "$bin/VrakSetup" --station $s --workdir "$tmp/work-$s" --no-password --camera scene:walker \
        USEACCESS=1 RUNSTARTUP=1 PROCESSSTYLE=3 STOPSTYLE=2 >/dev/null
done
"$bin/VrakSetup" --workdir "$tmp/work-default" --no-password RUNSTARTUP=1 >/dev/null

"$bin/Vorrak" --station A 2>"$tmp/A.log" &
a=$!
pids+=("$a")
"$bin/Vorrak" --station B 2>"$tmp/B.log" &
b=$!
pids+=("$b")
within '[ -n "$(pictures A)" ] && [ -n "$(pictures B)" ]' || fail "both stations raise events"

"$bin/Vorrak" --station A 2>"$tmp/A-again.log" || fail "a second A ends in failure"
grep -q 'Another Zelkor Oculara is running' "$tmp/A-again.log" || fail "a second A was not refused"
"$bin/Vorrak" 2>"$tmp/default.log" &
d=$!
pids+=("$d")
within '"$bin/sendcommand" ZelkorVorrak 40004 2>/dev/null' || fail "the default station beside A"
wait "$d" || fail "the default station ended with $?"

"$bin/sendcommand" ZelkorVorrak.A 40004
wait "$a" || fail "A ended with $?"
kill -0 "$b" 2>/dev/null || fail "ending A ended B"
"$bin/sendcommand" ZelkorVorrak.B 40004
wait "$b" || fail "B ended with $?"

for s in A B; do
    within "histran_done $s" || fail "station $s's Histran did not store its History.Log"
    stored=$(sqlite3 "$tmp/work-$s/Vrak.mdb" 'SELECT Bitmap FROM History ORDER BY Bitmap')
    [ "$stored" = "$(pictures $s)" ] || fail "station $s stored other rows than its pictures:
$stored"
done
[ ! -e "$tmp/work-default/Vrak.mdb" ] || [ -z "$(sqlite3 "$tmp/work-default/Vrak.mdb" \
    'SELECT * FROM History')" ] || fail "events went into the default station's database"
echo "ok: A $(pictures A | wc -l) and B $(pictures B | wc -l) events, each in its own database"
