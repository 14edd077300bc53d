#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine, builds the suite and runs
# it on a demo installation in ./demo (settings store, working directory and
# Windows-directory stand-in of its own), on the virtual card's default.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

bin=$root/build/default/bin
demo=$root/demo
mkdir -p "$demo/config"
export ZELKOR_REGISTRY=$demo/config/registry.reg
export ZELKOR_WINDIR=$demo/config
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export ZELKOR_UI=${ZELKOR_UI:-console}

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$demo/runtime}
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"

"$bin/VrakSetup" --workdir "$demo/work" --no-password
echo
echo "== The virtual card, as the start-up checks see it =="
"$bin/cardtool" detect
echo
echo "== A frame and a two-second clip from the card's capture driver =="
"$bin/cardtool" grab "$demo/work/snapshot.bmp"
"$bin/cardtool" record "$demo/work/clip.avi" 2
echo
echo "Demo installation in $demo:"
echo "-- settings store ($ZELKOR_REGISTRY) --"
cat "$ZELKOR_REGISTRY"
echo "-- working directory --"
ls -l "$demo/work"
echo "-- programs in $bin --"
ls "$bin"
