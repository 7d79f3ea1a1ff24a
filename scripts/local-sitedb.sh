#!/bin/sh
# A throw-away PostgreSQL 15 for the demo's site database, on 127.0.0.1 only.
#   scripts/local-sitedb.sh start DIR PORT   initdb into DIR (when new), start
#   scripts/local-sitedb.sh stop DIR
# Makes the role kestal_sender (owner of the database kestal) and the reader
# kestal_reader, with their passwords in DIR/pgpass (mode 0600): export
# PGPASSFILE=DIR/pgpass for the client and kestal-report. The server refuses
# to run as root; as root it runs as "nobody", who owns DIR/data.
set -e
BIN=/usr/lib/postgresql/15/bin
CMD=$1; DIR=$2; PORT=${3:-55432}
[ -n "$DIR" ] || { echo "usage: $0 start DIR [PORT] | stop DIR" >&2; exit 2; }
mkdir -p "$DIR"
DIR=$(cd "$DIR" && pwd)
as_server() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}
case "$CMD" in
start)
    if [ ! -d "$DIR/data" ]; then
        mkdir -p "$DIR/data" "$DIR/run"
        [ "$(id -u)" -eq 0 ] && chown nobody: "$DIR/data" "$DIR/run"
        as_server "$BIN/initdb" -D "$DIR/data" -U postgres --auth-local=trust \
            --auth-host=scram-sha-256 -E UTF8 --locale=C >/dev/null
        NEW=1
    fi
    as_server "$BIN/pg_ctl" -D "$DIR/data" -l "$DIR/run/server.log" -w \
        -o "-k $DIR/run -p $PORT -c listen_addresses=127.0.0.1" start >/dev/null
    if [ -n "$NEW" ]; then
        PSQL="$BIN/psql -h $DIR/run -p $PORT -U postgres -q -v ON_ERROR_STOP=1"
        $PSQL -d postgres -c "create role kestal_sender login password 'sender-demo'" \
            -c "create role kestal_reader login password 'reader-demo'" \
            -c "create database kestal owner kestal_sender"
        $PSQL -d kestal -c "grant usage on schema public to kestal_reader" \
            -c "alter default privileges for role kestal_sender in schema public grant select on tables to kestal_reader"
        umask 077
        printf '127.0.0.1:%s:kestal:kestal_sender:sender-demo\n127.0.0.1:%s:kestal:kestal_reader:reader-demo\n' \
            "$PORT" "$PORT" >"$DIR/pgpass"
    fi
    echo "site database on 127.0.0.1:$PORT; export PGPASSFILE=$DIR/pgpass"
    ;;
stop)
    as_server "$BIN/pg_ctl" -D "$DIR/data" -m fast -w stop >/dev/null
    ;;
*)
    echo "usage: $0 start DIR [PORT] | stop DIR" >&2; exit 2
    ;;
esac
