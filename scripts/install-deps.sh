#!/usr/bin/env bash
# Installs the Debian 12 packages the suite builds and tests with; with
# --programs only those that building and running the programs need.
# Idempotent: asks apt only when something is missing.
set -euo pipefail

# What building and running the programs needs (the test frameworks too:
# the build is configured with its tests)...
packages=(
    cmake ninja-build g++
    qt6-base-dev libsqlite3-dev libjpeg62-turbo-dev libasound2-dev
    libx11-dev libxext-dev libxtst-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    sqlite3 xdg-utils libcurl4-openssl-dev fonts-liberation
    pkg-config libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
    libpq-dev
)
# ... and what only the tests, the fuzz targets and the benchmarks use.
if [ "${1:-}" != "--programs" ]; then
    packages+=(
        clang libclang-rt-14-dev
        ffmpeg imagemagick xvfb x11-apps desktop-file-utils chromium
        sigrok-cli python3-aiosmtpd
        python3-gi gir1.2-gst-rtsp-server-1.0 gstreamer1.0-plugins-base
        gstreamer1.0-plugins-good
        postgresql
    )
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -ne 0 ]; then
    echo "installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -q
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The hardware tests decode the card's bus trace with sigrok-cli's I2C
# protocol decoder, which comes in a package of its own (libsigrokdecode4).
if [ "${1:-}" != "--programs" ] && ! sigrok-cli -L 2>/dev/null | grep -E '^ +i2c +' >/dev/null; then
    echo "sigrok-cli has no I2C protocol decoder" >&2
    exit 1
fi
