#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine, builds the suite, sets up
# a demo installation in ./demo (settings store, working directory and
# Windows-directory stand-in of its own) and runs Vorrak on the virtual
# card's default scene.
#
#   bash scripts/run.sh               with a display: Vorrak in its window
#                                     until you end it (the control panel's
#                                     exit button); without one,
#                                     as with --seconds 30
#   bash scripts/run.sh --seconds N   headless guard run of N seconds, then
#                                     what it recorded
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

usage() {
    echo "usage: bash scripts/run.sh [--seconds N]" >&2
    exit 2
}

seconds=""
while [ $# -gt 0 ]; do
    case $1 in
        --seconds) [ $# -ge 2 ] || usage; seconds=$2; shift 2 ;;
        --seconds=*) seconds=${1#--seconds=}; shift ;;
        *) usage ;;
    esac
done
if [ -n "$seconds" ] && ! [[ $seconds =~ ^[1-9][0-9]{0,5}$ ]]; then
    echo "run.sh: --seconds takes a whole number of seconds, 1 or more" >&2
    exit 2
fi
headless=0
if [ -n "$seconds" ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
    headless=1
    seconds=${seconds:-30}
fi

# Only what the run needs: the programs, not the tests and benchmarks
# (scripts/test.sh builds and runs those).
bash scripts/install-deps.sh --programs
cmake --preset default >/dev/null
cmake --build --preset default --target programs

bin=$root/build/default/bin
demo=$root/demo
work=$demo/work
mkdir -p "$demo/config"
export ZELKOR_REGISTRY=$demo/config/registry.reg
export ZELKOR_WINDIR=$demo/config
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$demo/runtime}
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"

echo "== The virtual card, as the start-up checks see it =="
"$bin/cardtool" detect
echo

if [ $headless = 0 ]; then
    "$bin/VrakSetup" --workdir "$work" --no-password RUNSTARTUP=0 USEACCESS=1
    echo "Starting Vorrak; F2 starts and stops guard mode, the control panel's exit button ends it."
    exec "$bin/Vorrak"
fi

export QT_QPA_PLATFORM=offscreen
export ZELKOR_UI=console
"$bin/VrakSetup" --workdir "$work" --no-password RUNSTARTUP=1 USEACCESS=1
db=$work/Vrak.mdb
before=$(sqlite3 "$db" 'SELECT coalesce(max(rowid), 0) FROM History')
marker=$demo/run.started
touch "$marker"

echo "== Vorrak in guard mode for $seconds s, without a screen =="
"$bin/Vorrak" 2>"$demo/vorrak.log" &
vorrak=$!
sleep "$seconds"
if "$bin/sendcommand" ZelkorVorrak 40004; then
    status=0
    wait "$vorrak" || status=$?
    echo "Vorrak ended with exit code $status."
else
    wait "$vorrak" || true
    echo "Vorrak had ended by itself; its messages:"
    cat "$demo/vorrak.log"
fi

# Histran, started by Vorrak after a run with events, takes History.Log over.
for _ in $(seq 1 100); do
    [ -e "$work/History.Log" ] || break
    sleep 0.2
done
echo
echo "== Events of this run stored in $db (read with sqlite3) =="
sqlite3 -header -column "$db" "SELECT Desc, Bitmap, Video FROM History WHERE rowid > $before"
stored=$(sqlite3 "$db" "SELECT count(*) FROM History WHERE rowid > $before")
echo "($stored events stored)"
if [ -e "$work/History.Log" ]; then
    echo "-- History.Log left in the working directory (no event to store) --"
    cat "$work/History.Log"
fi
echo
echo "== Event bitmaps written =="
find "$work" -name '*.bmp' -newer "$marker" -print | sort
rm -f "$marker"
