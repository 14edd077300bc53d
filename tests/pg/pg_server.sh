#!/usr/bin/env bash
# A throw-away PostgreSQL server for tests and benchmarks.
#   pg_server.sh start DIR   creates a cluster in DIR/data unless there is one,
#                            and starts it, listening only on the Unix socket
#                            DIR/.s.PGSQL.5432
#   pg_server.sh stop DIR    stops it at once (and is harmless when it is not running)
# Clients connect with "postgresql:///DBNAME?host=DIR&user=zelkor"; the
# database "zelkor" exists. The server refuses to run as root, so under
# root it runs as nobody, who then owns DIR.
set -euo pipefail

action=${1:?usage: pg_server.sh start|stop DIR}
dir=${2:?usage: pg_server.sh start|stop DIR}
bin=${PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "pg_server.sh: no PostgreSQL server programs (Debian package postgresql)" >&2
    exit 2
fi

as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    as_owner=(runuser -u nobody --)
fi

case "$action" in
start)
    fresh=0
    if [ ! -d "$dir/data" ]; then
        mkdir -p "$dir"
        [ "$(id -u)" -ne 0 ] || chown nobody "$dir"
        "${as_owner[@]}" "$bin/initdb" -D "$dir/data" -U zelkor --auth=trust -E UTF8 \
            --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
            { cat "$dir/initdb.log" >&2; exit 1; }
        fresh=1
    fi
    # Nothing listens on a network address; durability is not needed for
    # data that lives as long as one test.
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir' ${PG_OPTIONS:-}" start \
        >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    [ "$fresh" -eq 0 ] ||
        "$bin/psql" -X -q -h "$dir" -U zelkor -d postgres -c "CREATE DATABASE zelkor" >/dev/null
    ;;
stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
        "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    ;;
*)
    echo "usage: pg_server.sh start|stop DIR" >&2
    exit 2
    ;;
esac
