#!/usr/bin/env bash
# Installs the Debian 12 packages the suite builds and tests with.
# Idempotent: asks apt only when something is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev
    qt6-base-dev libsqlite3-dev libjpeg62-turbo-dev libasound2-dev
    libx11-dev libxext-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    sqlite3 ffmpeg imagemagick xvfb x11-apps
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
