#!/bin/sh
# Builds Kestal, prepares a demo site in ./demo (database with a few regions
# whose data server is our simulator on 127.0.0.1, style sheets, translation)
# and runs the simulator and the client there. Without a display the client
# runs under Xvfb and a screenshot is saved as demo/screenshot.png.
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
scripts/install-deps.sh

JOBS=${JOBS:-$(nproc)}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$JOBS" --target kestal kestal-simulator kestal-demosite kestal_translations

DEMO=${DEMO_DIR:-$ROOT/demo}
PORT=${DEMO_PORT:-8888}
mkdir -p "$DEMO"
cp build/default_blue.qss build/default_dark.qss build/default_coffee.qss "$DEMO"/
# The program shows Chinese texts whenever kestal_zh.qm lies in its working
# directory; the demo is English unless KESTAL_ZH=1.
if [ "${KESTAL_ZH:-0}" = 1 ]; then
    cp build/resources/kestal_zh.qm "$DEMO"/
else
    rm -f "$DEMO/kestal_zh.qm"
fi
build/tools/demosite/kestal-demosite "$DEMO/DataBase.sqlite" "$PORT"
# DEMO_SITEDB_PORT: the site database on a throw-away local PostgreSQL
# (scripts/local-sitedb.sh, in demo/sitedb), enabled in System Settings.
if [ -n "$DEMO_SITEDB_PORT" ]; then
    scripts/local-sitedb.sh start "$DEMO/sitedb" "$DEMO_SITEDB_PORT"
    export PGPASSFILE="$DEMO/sitedb/pgpass"
    sqlite3 "$DEMO/DataBase.sqlite" "create table if not exists ClientSettings(Name varchar(64) primary key, Value varchar(256));
        insert or replace into ClientSettings values('SiteDbEnabled', '1'), ('SiteDbHost', '127.0.0.1'),
        ('SiteDbPort', '$DEMO_SITEDB_PORT'), ('SiteDbName', 'kestal'), ('SiteDbUser', 'kestal_sender'),
        ('SiteDbSslMode', 'disable'), ('SiteName', 'Demo');"
fi

# DEMO_PLANT=1: the plant interface on, the Modbus TCP map on 127.0.0.1 port
# ${DEMO_MODBUS_PORT:-1502}, MQTT to a throw-away mosquitto on port
# ${DEMO_MQTT_PORT:-1883} (in demo/mqtt). Read them with
#   mbpoll -m tcp -p 1502 -0 -1 -B -t 3:float -r 124 -c 2 127.0.0.1
#   mosquitto_sub -h 127.0.0.1 -p 1883 -v -t 'kestal/demo/#'
MQTT=""
if [ "${DEMO_PLANT:-0}" = 1 ]; then
    mkdir -p "$DEMO/mqtt"
    {
        echo "listener ${DEMO_MQTT_PORT:-1883} 127.0.0.1"
        echo "allow_anonymous true"
        if [ "$(id -u)" -eq 0 ]; then echo "user root"; fi
    } >"$DEMO/mqtt/mosquitto.conf"
    mosquitto -c "$DEMO/mqtt/mosquitto.conf" >"$DEMO/mqtt/mosquitto.log" 2>&1 &
    MQTT=$!
    sqlite3 "$DEMO/DataBase.sqlite" "create table if not exists ClientSettings(Name varchar(64) primary key, Value varchar(256));
        insert or replace into ClientSettings values('PlantModbusEnabled', '1'),
        ('PlantModbusPort', '${DEMO_MODBUS_PORT:-1502}'), ('PlantMqttEnabled', '1'),
        ('PlantMqttPort', '${DEMO_MQTT_PORT:-1883}'), ('PlantMqttSite', 'demo');"
fi

# DEMO_WEB=1: the read-only web view on http://127.0.0.1:${DEMO_WEB_PORT:-8088}/
# (log in with a demo account, e.g. operator / operator-demo).
if [ "${DEMO_WEB:-0}" = 1 ]; then
    sqlite3 "$DEMO/DataBase.sqlite" "create table if not exists ClientSettings(Name varchar(64) primary key, Value varchar(256));
        insert or replace into ClientSettings values('WebEnabled', '1'), ('WebPort', '${DEMO_WEB_PORT:-8088}');"
fi

# DEMO_MAIL=1: mail notifications to a throw-away SMTP server on 127.0.0.1 port
# ${DEMO_SMTP_PORT:-8025} (aiosmtpd), whose mails land in demo/mail (a
# Maildir); the bursting region 4 alarms at each burst, escalation after 2
# minutes for the demo.
SMTP=""
if [ "${DEMO_MAIL:-0}" = 1 ]; then
    mkdir -p "$DEMO/mail/tmp" "$DEMO/mail/new" "$DEMO/mail/cur"
    /usr/bin/python3 -m aiosmtpd -n -l "127.0.0.1:${DEMO_SMTP_PORT:-8025}" \
        -c aiosmtpd.handlers.Mailbox "$DEMO/mail" >"$DEMO/smtp.log" 2>&1 &
    SMTP=$!
    sqlite3 "$DEMO/DataBase.sqlite" "create table if not exists ClientSettings(Name varchar(64) primary key, Value varchar(256));
        insert or replace into ClientSettings values('NotifyEnabled', '1'),
        ('NotifyPort', '${DEMO_SMTP_PORT:-8025}'), ('NotifyListOnCall', 'oncall@demo.test'),
        ('NotifyListOfficers', 'officers@demo.test'), ('NotifyListLast', 'chief@demo.test'),
        ('NotifyEscalateMinutes', '2');
        update RegionCurveColorInfo set Alarmvalue = 5000 where Id = 4;"
fi

# DEMO_MAIN_FAULTS: the main simulator's scheduled faults (its --fault), e.g.
# "refuse@30,drop@30,accept@75" for the main server down from the first
# minute to the 150th second.
build/tools/simulator/kestal-simulator --port "$PORT" --regions 1,2:noisy,3:ramp,4:burst,5:silent \
    --patrol 1,2,3/21,22,23,24 ${DEMO_MAIN_FAULTS:+--fault "$DEMO_MAIN_FAULTS"} \
    >"$DEMO/simulator.log" 2>&1 &
SIM=$!
echo $SIM >"$DEMO/simulator.pid"

# DEMO_STANDBY=1: a second simulator on 127.0.0.1 port ${DEMO_STANDBY_PORT:-8889} is
# the standby data server; with DEMO_MAIN_FAULTS the main one goes away and
# comes back while the demo runs.
STANDBY=""
if [ "${DEMO_STANDBY:-0}" = 1 ]; then
    sqlite3 "$DEMO/DataBase.sqlite" "delete from SystemInfo where Unit_P = 1;
        insert into SystemInfo(IP, Port, Unit_P) values('127.0.0.1', ${DEMO_STANDBY_PORT:-8889}, 1);"
    build/tools/simulator/kestal-simulator --port "${DEMO_STANDBY_PORT:-8889}" --id-port 0 \
        --regions 1,2:noisy,3:ramp,4:burst,5:silent >"$DEMO/standby.log" 2>&1 &
    STANDBY=$!
    echo $STANDBY >"$DEMO/standby.pid"
fi
trap 'kill $SIM $STANDBY $MQTT $SMTP 2>/dev/null || true; [ -z "$DEMO_SITEDB_PORT" ] || "$ROOT/scripts/local-sitedb.sh" stop "$DEMO/sitedb"' EXIT INT TERM

cd "$DEMO"
if [ -n "$DISPLAY" ] || [ -n "$WAYLAND_DISPLAY" ]; then
    "$ROOT/build/kestal"
else
    echo "No display: running under Xvfb for ${DEMO_SECONDS:-40}s, screenshot in $DEMO/screenshot.png"
    xvfb-run -a -s "-screen 0 1600x900x24" sh -c "
        '$ROOT/build/kestal' -geometry 1600x900+0+0 & APP=\$!
        sleep ${DEMO_SECONDS:-40}
        xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >'$DEMO/screenshot.png' || true
        kill -TERM \$APP; wait \$APP"
fi
