#!/usr/bin/env bash
# Vorrak's CPU share and resident memory over an idle stretch, in live view
# (driver connected, no guard mode) and in guard mode at the default scan
# time, on the virtual card's default scene. Runs under Xvfb when it is
# installed (a real X server draws the windows), else offscreen.
#   bash scripts/measure-vorrak.sh [SECONDS]     (default 20)
# Needs a built default preset.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
bin=$PWD/build/default/bin
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export ZELKOR_REGISTRY=$tmp/registry.reg ZELKOR_WINDIR=$tmp XDG_RUNTIME_DIR=$tmp/runtime
export ZELKOR_UI=console
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
ticks=$(getconf CLK_TCK)

measure() {  # name, settings...
    local name=$1
    shift
    "$bin/VrakSetup" --workdir "$tmp/work" --no-password "$@" >/dev/null
    "$bin/Vorrak" 2>"$tmp/$name.log" &
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
    awk -v n="$name" -v c="$((c1 - c0))" -v hz="$ticks" -v t0="$t0" -v t1="$t1" -v rss="$rss" \
        'BEGIN { printf "%-12s CPU %5.2f %% of a core   resident %6.1f MB\n", n, 100 * c / hz / (t1 - t0), rss / 1024 }'
}

run() {
    measure "live view" RUNSTARTUP=0 USEACCESS=0
    measure "guard mode" RUNSTARTUP=1 USEACCESS=0
}

if command -v xvfb-run >/dev/null && [ -z "${MEASURE_INNER:-}" ]; then
    echo "Under Xvfb, $seconds s each:"
    MEASURE_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$seconds"
fi
[ -n "${MEASURE_INNER:-}" ] || { export QT_QPA_PLATFORM=offscreen; echo "Offscreen, $seconds s each:"; }
run
