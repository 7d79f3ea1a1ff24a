#!/bin/sh
# Builds the Debian package in a built build directory (default build-test) and
# checks it without installing it: unpacks it into a scratch root, checks the
# layout and the control fields, validates the launcher, starts the client once
# as the launcher does, then has the unpacked kestal-report print its help and
# write a small report from the database that start left behind.
set -e
cd "$(dirname "$0")/.."
build=${1:-build-test}

fail() {
    echo "package check: $*" >&2
    exit 1
}

rm -f "$build"/kestal_*.deb
if ! (cd "$build" && cpack -G DEB >cpack.log 2>&1); then
    cat "$build/cpack.log"
    fail "cpack failed"
fi
deb=$(ls "$build"/kestal_*.deb)
dpkg-deb -I "$deb"

depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt5sql5-sqlite libqt5multimedia5-plugins qttranslations5-l10n libqt5widgets5 libqt5network5 libqt5sql5 libxlsxwriter; do
    echo "$depends" | grep -q "$dep" || fail "Depends lacks $dep: $depends"
done
dpkg-deb -f "$deb" Recommends | grep -q fonts-noto-cjk || fail "no CJK font recommended"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch/root"
usr=$scratch/root/usr
for file in bin/kestal bin/kestal-report bin/kestal-simulator \
    share/kestal/default_blue.qss share/kestal/default_dark.qss share/kestal/default_coffee.qss \
    share/kestal/translations/kestal_zh.qm \
    share/kestal/preset/factory/database/region share/kestal/preset/factory/database/personal \
    share/kestal/preset/factory/database/rout share/kestal/preset/factory/database/room \
    share/kestal/preset/factory/User/NetServer.dat share/kestal/preset/factory/User/ComServer.dat \
    share/kestal/preset/factory/User/CurveColor.dat share/kestal/preset/factory/User/ServerAddr.dat \
    share/applications/kestal.desktop share/icons/hicolor/scalable/apps/kestal.svg \
    share/icons/hicolor/16x16/apps/kestal.png share/icons/hicolor/256x256/apps/kestal.png \
    share/man/man1/kestal-report.1.gz; do
    [ -s "$usr/$file" ] || fail "missing /usr/$file"
done
unit=$scratch/root/usr/lib/systemd/system/kestal.service
[ -s "$unit" ] || fail "no kestal.service"
grep -q '^ExecStart=/usr/bin/kestal --headless' "$unit" || fail "kestal.service does not start the station"
grep -q '^User=kestal' "$unit" || fail "kestal.service does not run as its own user"
[ -s "$scratch/root/usr/lib/sysusers.d/kestal.conf" ] || fail "no account for kestal.service"
dpkg-deb -e "$deb" "$scratch/control"
[ -x "$scratch/control/postinst" ] || fail "no postinst"
if command -v systemd-analyze >/dev/null; then
    systemd-analyze verify "$unit" 2>&1 | grep -v -e "kestal.*not found" -e "^$" || true
fi
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$usr/share/applications/kestal.desktop" || fail "launcher does not validate"
fi
zcat "$usr/share/man/man1/kestal-report.1.gz" | grep -q XDG_DATA_HOME ||
    fail "the manual page does not follow --help"

# The client as the launcher starts it, in a data home of its own. Its own
# temporary directory keeps its instance lock apart from any other client.
mkdir -p "$scratch/tmp" "$scratch/elsewhere"
export XDG_DATA_HOME="$scratch/data"
exec_line=$(sed -n 's/^Exec=//p' "$usr/share/applications/kestal.desktop")
status=0
(cd "$scratch/elsewhere" && TMPDIR="$scratch/tmp" QT_QPA_PLATFORM=offscreen \
    timeout -k 5 -s TERM 8 $usr/bin/$exec_line) || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 124 ] || fail "the client ended with status $status"
home="$XDG_DATA_HOME/kestal"
[ -f "$home/DataBase.sqlite" ] || fail "no database in $home"
[ -f "$home/preset/local/User/ServerAddr.dat" ] || fail "no local presets in $home"
[ -z "$(ls -A "$scratch/elsewhere")" ] || fail "the client wrote into its start directory"
log=$(ls "$home"/log.viewer/*.log) || fail "no log in $home"
if grep -q "preset/factory.*Failure" $log; then
    fail "the client did not find the installed factory presets"
fi

# The station without a window, as the service starts it (no display at all),
# stopped as systemd stops it.
mkdir -p "$scratch/station"
status=0
(cd "$scratch/station" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout -s TERM 4 \
    $usr/bin/kestal --headless --db "$scratch/station/DataBase.sqlite" \
    --audit-key "$scratch/station/audit.key") || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 124 ] || fail "the headless station ended with status $status"
[ "$(sqlite3 "$scratch/station/DataBase.sqlite" "select Detail from AlarmJournal where Event = 'stopped'")" = "signal=SIGTERM" ] ||
    fail "the headless station did not stop cleanly on SIGTERM"

"$usr/bin/kestal-report" --help | grep -q XDG_DATA_HOME || fail "kestal-report --help"
sqlite3 "$home/DataBase.sqlite" \
    "insert into RegionInfo(Sub, Id, Name, Num) values(1, 3, 'Hall', 1);
     insert into MonthMinuteDose(Id, Month, \"0\", Sum) values(3, '2014-05-01', 30, 30);"
(cd "$scratch/elsewhere" && "$usr/bin/kestal-report" minutes 3 2014-05-01 2014-05-01 -o m.csv)
grep -q "^2014-05-01,00:00,1.00" "$scratch/elsewhere/m.csv" || fail "report from the installed tree"
echo "package check: $deb passed"
