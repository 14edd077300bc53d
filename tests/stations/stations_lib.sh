# What the station scripts share; sourced after `bin` and `tmp` are set.
# Each station S works in $tmp/work-S and logs to $tmp/*.log.

fail() {
    echo "FAIL: $*" >&2
    for log in "$tmp"/*.log; do
        echo "== $log" >&2
        grep -v 'This plugin does not support' "$log" | tail -5 >&2 || true
    done
    exit 1
}
pictures() { find "$tmp/work-$1" -name 'error*.bmp' | sort; }
# Polls `test` for up to `seconds` (default 15).
within() {
    for _ in $(seq 1 $((${2:-15} * 5))); do
        if eval "$1"; then return 0; fi
        sleep 0.2
    done
    return 1
}
# Histran claims its class before it takes History.Log over, and gives it up
# only when it has stored everything.
histran_done() {
    [ ! -e "$tmp/work-$1/History.Log" ] && ! "$bin/sendcommand" "ZelkorHistran.$1" 0 2>/dev/null
}
