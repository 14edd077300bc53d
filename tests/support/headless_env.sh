# Sourced by the scripts that run the real programs: everything they keep
# (settings store, profile files, instance sockets, card file) goes into
# $tmp, no window opens and message boxes go to stderr.
export ZELKOR_REGISTRY=$tmp/registry.reg ZELKOR_WINDIR=$tmp XDG_RUNTIME_DIR=$tmp/runtime
export QT_QPA_PLATFORM=offscreen ZELKOR_UI=console ZELKOR_VCARD=$tmp/vcard.ini
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
