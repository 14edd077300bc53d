#!/bin/sh
# Fails when one of the given programs loads a Qt library: code below the
# window system must not carry it.
status=0
for program in "$@"; do
    libraries=$(ldd "$program") || { echo "ldd failed on $program"; exit 1; }
    if echo "$libraries" | grep -q 'libQt'; then
        echo "$program loads Qt:"
        echo "$libraries" | grep 'libQt'
        status=1
    fi
done
exit $status
