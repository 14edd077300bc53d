#!/usr/bin/env bash
# Vorrak's CPU share and resident memory over an idle stretch, on moving
# footage (352 x 288, 25 frames a second, PAL) that ffmpeg makes here:
#   live view            driver connected, no guard mode
#   guard, SCANTIME 500  guard mode, two compared pairs a second (the default)
#   guard, SCANTIME 40   guard mode, 25 compared pairs a second
# Runs under Xvfb when it is installed (a real X server draws the windows),
# else offscreen.
#   bash scripts/measure-vorrak.sh [SECONDS]     (default 20)
# Needs a built default preset and ffmpeg.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
bin=$PWD/build/default/bin

if command -v xvfb-run >/dev/null && [ -z "${MEASURE_INNER:-}" ]; then
    echo "Under Xvfb, $seconds s each:"
    MEASURE_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$seconds"
fi
[ -n "${MEASURE_INNER:-}" ] || { export QT_QPA_PLATFORM=offscreen; echo "Offscreen, $seconds s each:"; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export ZELKOR_REGISTRY=$tmp/registry.reg ZELKOR_WINDIR=$tmp XDG_RUNTIME_DIR=$tmp/runtime
export ZELKOR_UI=console ZELKOR_VCARD=$tmp/vcard.ini
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
ticks=$(getconf CLK_TCK)

# Ten seconds of moving test pattern, looped by the card.
ffmpeg -loglevel error -f lavfi -i testsrc2=size=352x288:rate=25 -t 10 -pix_fmt yuv420p \
    "$tmp/footage.y4m"
printf '[composite]\nsource = y4m:footage.y4m\nrate = 50\n' >"$ZELKOR_VCARD"

measure() {  # name, settings...
    local name=$1
    shift
    "$bin/VrakSetup" --workdir "$tmp/work" --no-password VIDEOSTANDARD=3 "$@" >/dev/null
    "$bin/Vorrak" 2>"$tmp/vorrak.log" &
    local pid=$!
    sleep 3  # start-up and the first scans are not what is measured
    local t0 c0 t1 c1 rss
    t0=$(date +%s.%N)
    c0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    sleep "$seconds"
    t1=$(date +%s.%N)
    c1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
    "$bin/sendcommand" ZelkorVorrak 40004 || true
    wait "$pid" || true
    # Event pictures are numbered; the two work files are not.
    local events
    events=$(find "$tmp/work" -name '*[0-9].bmp' ! -name 'work[01].bmp' | wc -l)
    rm -rf "$tmp/work"
    awk -v n="$name" -v c="$((c1 - c0))" -v hz="$ticks" -v t0="$t0" -v t1="$t1" -v rss="$rss" \
        -v e="$events" 'BEGIN { printf "%-20s CPU %5.2f %% of a core   resident %6.1f MB   events %d\n", n, 100 * c / hz / (t1 - t0), rss / 1024, e }'
}

# The lowest sensitivity keeps the moving pattern from raising events: what
# is measured is watching, not recording. RUNSTARTUP 1 starts guard mode at
# once and, as guard mode does at start-up, hides the windows.
measure "live view" RUNSTARTUP=0 USEACCESS=0
measure "guard, SCANTIME 500" RUNSTARTUP=1 USEACCESS=0 SCANTIME=500 SENSIBILITY=0
measure "guard, SCANTIME 40" RUNSTARTUP=1 USEACCESS=0 SCANTIME=40 SENSIBILITY=0
