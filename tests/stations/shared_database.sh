#!/usr/bin/env bash
# Two stations on one machine storing into one shared PostgreSQL database:
# both end at the same moment, so their Histrans append at once; each
# station's rows are exactly its own event pictures, with the pictures'
# bytes, and nothing is stored twice.
#   shared_database.sh BIN_DIR PG_SERVER_SCRIPT
set -euo pipefail
bin=$1
pg_server=$2
pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$pg_bin" ] && [ -x "$pg_bin/initdb" ] || { echo "no PostgreSQL server programs"; exit 77; }
tmp=$(mktemp -d)
# Beside the test folder, which the server's user may not enter.
pg=$tmp-pg
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    bash "$pg_server" stop "$pg"
    rm -rf "$tmp" "$pg"
}
trap cleanup EXIT
source "$(dirname "$0")/../support/headless_env.sh"
printf '[composite]\nsource = scene:static\n' >"$ZELKOR_VCARD"
bash "$pg_server" start "$pg"
database="postgresql:///zelkor?host=$pg&user=zelkor"
sql() { "$pg_bin/psql" -X -q -A -t -h "$pg" -U zelkor -d zelkor -c "$1"; }

source "$(dirname "$0")/stations_lib.sh"

for s in A B; do
    "$bin/VrakSetup" --station $s --workdir "$tmp/work-$s" --no-password --camera scene:walker \
        USEACCESS=1 RUNSTARTUP=1 PROCESSSTYLE=3 STOPSTYLE=2 "EVENTDATABASE=$database" >/dev/null
    "$bin/Vorrak" --station $s 2>"$tmp/$s.log" &
    pids+=($!)
done
within '[ "$(pictures A | wc -l)" -ge 2 ] && [ "$(pictures B | wc -l)" -ge 2 ]' 20 ||
    fail "both stations raise events"
"$bin/sendcommand" ZelkorVorrak.A 40004 & "$bin/sendcommand" ZelkorVorrak.B 40004
wait "${pids[@]}" || fail "a station ended in failure"
pids=()

for s in A B; do
    within "histran_done $s" 20 || fail "station $s's Histran did not store its History.Log"
    stored=$(sql "SELECT \"Bitmap\" FROM \"History\" WHERE \"Station\" = '$s' ORDER BY 1")
    [ "$stored" = "$(pictures $s)" ] || fail "station $s stored other rows than its pictures:
$stored"
    while read -r bitmap; do
        held=$(sql "SELECT encode(sha256(\"Picture\"), 'hex') FROM \"History\"
                    WHERE \"Station\" = '$s' AND \"Bitmap\" = '$bitmap'")
        [ "$held" = "$(sha256sum "$bitmap" | cut -d' ' -f1)" ] || fail "$bitmap's picture differs"
    done < <(pictures $s)
done
[ "$(sql 'SELECT count(*) FROM "History"')" -eq $(($(pictures A | wc -l) + $(pictures B | wc -l))) ] ||
    fail "rows of no station's"
[ ! -e "$tmp/work-A/Vrak.mdb" ] || [ -z "$(sqlite3 "$tmp/work-A/Vrak.mdb" 'SELECT * FROM History')" ] ||
    fail "events went into a database of the working directory"
echo "ok: A $(pictures A | wc -l) and B $(pictures B | wc -l) events in one shared database"
