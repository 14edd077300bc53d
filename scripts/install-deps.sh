#!/usr/bin/env bash
# Installs the Debian 12 packages the suite builds and tests with.
# Idempotent: asks apt only when something is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev
    qt6-base-dev libsqlite3-dev libjpeg62-turbo-dev libasound2-dev
    libx11-dev libxext-dev libxtst-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    sqlite3 ffmpeg imagemagick xvfb x11-apps desktop-file-utils xdg-utils
    sigrok-cli
    libcurl4-openssl-dev python3-aiosmtpd
    fonts-liberation
)

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
if ! sigrok-cli -L 2>/dev/null | grep -E '^ +i2c +' >/dev/null; then
    echo "sigrok-cli has no I2C protocol decoder" >&2
    exit 1
fi
