#!/bin/bash
# Starts the client against the simulator and stops it with SIGTERM, again and
# again, while a region is in unacknowledged alarm: right after the start,
# during the alarm, later in it, and around a minute tick (second 0). Every run
# ends by itself; its exit status and any sanitizer report are kept.
#
#   scripts/stop-soak.sh [build dir] [runs] [output dir]
#
# The build dir defaults to build-asan (-DKESTAL_SANITIZE=ON, targets kestal,
# kestal-simulator, kestal-demosite), the output dir to <build dir>/soak. Odd
# runs use Xvfb, even runs the offscreen platform. Summary in
# <output dir>/summary.txt; a run's files in <output dir>/run<n>/ (stderr.txt
# holds a sanitizer report).
set -u
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=$(cd "${1:-build-asan}" && pwd)
RUNS=${2:-30}
OUT=$(mkdir -p "${3:-$BUILD/soak}" && cd "${3:-$BUILD/soak}" && pwd)
export ASAN_OPTIONS=abort_on_error=0:halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The Xvfb runs' session bus connection is Qt's, never freed.
SUPP="$OUT/lsan.supp"
{ cat "$ROOT/tests/lsan_qt.supp"; echo "leak:libdbus-1.so"; } >"$SUPP"
export LSAN_OPTIONS=suppressions=$SUPP

alarms() {
    sqlite3 -readonly "file:$1/DataBase.sqlite?mode=ro" \
        "select count(*) from AlarmJournal where Event = 'alarm'" 2>/dev/null || echo 0
}
seconds() { awk -v r=$RANDOM -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a + (b - a) * r / 32768 }'; }

for ((n = 1; n <= RUNS; n++)); do
    R=$OUT/run$n
    rm -rf "$R" && mkdir -p "$R/tmp" "$R/home" && chmod 700 "$R/tmp"
    cp "$BUILD"/default_*.qss "$R"/
    PORT=$((20000 + RANDOM % 20000))
    "$BUILD/tools/demosite/kestal-demosite" "$R/DataBase.sqlite" "$PORT" 1 >/dev/null 2>&1
    # The ramp starts near 560 µRad/h and the noisy region swings around it:
    # at 600 both are in alarm within a few readings.
    sqlite3 "$R/DataBase.sqlite" "update RegionCurveColorInfo set Alarmvalue = 600 where Id in (2, 3)"
    timeout 150 "$BUILD/tools/simulator/kestal-simulator" --port "$PORT" --id-port 0 \
        --interval 500 --regions 1,2:noisy,3:ramp,4:burst,5:silent --patrol 1,2,3/21,22,23,24 \
        --extras 5 --fault "drop@$((6 + RANDOM % 10)),stall@$((20 + RANDOM % 10)),resume@40" \
        --duration 140 </dev/null >"$R/simulator.log" 2>&1 &
    SIM=$!
    # TMPDIR and HOME per run: the single-instance lock and the user settings.
    if ((n % 2)); then
        (cd "$R" && TMPDIR=$R/tmp HOME=$R/home XDG_RUNTIME_DIR=$R/tmp exec timeout -s KILL 120 \
            xvfb-run -a -s "-screen 0 1600x900x24" sh -c 'echo $$ >pid; exec "$0" -geometry 1600x900+0+0' \
            "$BUILD/kestal" >"$R/stdout.txt" 2>"$R/stderr.txt") &
        PLATFORM=xvfb
    else
        (cd "$R" && TMPDIR=$R/tmp HOME=$R/home XDG_RUNTIME_DIR=$R/tmp QT_QPA_PLATFORM=offscreen \
            exec timeout -s KILL 120 sh -c 'echo $$ >pid; exec "$0"' "$BUILD/kestal" \
            >"$R/stdout.txt" 2>"$R/stderr.txt") &
        PLATFORM=offscreen
    fi
    RUNNER=$!
    for _ in $(seq 100); do [ -s "$R/pid" ] && break; sleep 0.1; done
    APP=$(cat "$R/pid" 2>/dev/null)
    if [ -z "$APP" ]; then
        echo "run $n: the client did not start" | tee -a "$OUT/summary.txt"
        kill "$SIM" 2>/dev/null
        wait
        continue
    fi
    wait_alarm() {
        for _ in $(seq 300); do
            [ "$(alarms "$R")" -gt 0 ] && return
            kill -0 "$APP" 2>/dev/null || return
            sleep 0.2
        done
    }
    case $((n % 4)) in
    0) MODE=start; sleep "$(seconds 0.3 4)" ;;
    1) MODE=alarm; wait_alarm; sleep "$(seconds 0 1.5)" ;;
    2) MODE=minute; wait_alarm
       # From one second before the minute to 1.5 s after it.
       sleep "$(awk -v now="$(date +%s.%N)" -v off="$(seconds -1 1.5)" 'BEGIN {
           d = (int(now / 60) + 1) * 60 + off - now; if (d < 0) d += 60; printf "%.2f", d }')" ;;
    3) MODE=later; wait_alarm; sleep "$(seconds 2 12)" ;;
    esac
    kill -TERM "$APP" 2>/dev/null
    wait "$RUNNER"
    RC=$?
    kill "$SIM" 2>/dev/null
    wait "$SIM" 2>/dev/null
    REPORT=none
    grep -q "ERROR: AddressSanitizer" "$R/stderr.txt" && REPORT=asan
    grep -q "runtime error:" "$R/stderr.txt" && REPORT=ubsan
    grep -q "ERROR: LeakSanitizer" "$R/stderr.txt" && REPORT=leak
    printf "run %3d %-9s %-6s alarms=%s exit=%d report=%s\n" "$n" "$PLATFORM" "$MODE" \
        "$(alarms "$R")" "$RC" "$REPORT" | tee -a "$OUT/summary.txt"
done
