#!/usr/bin/env bash
# Soak: the real program on a display of its own, used for a long while the way a person would, then the
# figures that tell whether it held up (sanitizer reports, lost copies, anonymous memory per entry).
#
#   bench/soak.sh --build-dir build-tsan --duration 1h
#   bench/soak.sh --build-dir build --duration 30m --clear-every 0 --move-every 0   # steady memory figure
#
# Options:
#   --build-dir DIR     folder holding the quorvane binary (default: build)
#   --duration T        how long to run: seconds, or with s/m/h (default: 10m)
#   --rate N            copies per second (default: 5)
#   --search-every S    seconds between panel shows with a typed search (default: 4)
#   --clear-every S     seconds between Clear All History runs, 0 for none (default: 900)
#   --move-every S      seconds between storage moves (there and back), 0 for none (default: 1200)
#   --work-dir DIR      where the run keeps its display, settings, storage and log (default: a new temp folder)
#   --owners KIND       long: one program owns the clipboard for every copy (default); short: every copy is
#                       a new xclip process, every --image-every-th copy a picture (default 10), and every
#                       --new-app-every-th copy from a terminal of a class never seen before (default 0: none)
# Needs Xvfb, openbox, dbus-daemon, at-spi-bus-launcher, xdotool, xclip, xprop and python3.
# Exit status: 0 when the program lived to the end with no report, kept every copy and could be driven (the
# panel shown, at most one UI step in ten failed); 1 otherwise; 2 on bad use.

set -u

HERE=$(cd "$(dirname "$0")" && pwd)
REPO=$(cd "$HERE/.." && pwd)
BUILD_DIR=build
DURATION=10m
RATE=5
SEARCH_EVERY=4
CLEAR_EVERY=900
MOVE_EVERY=1200
WORK=
OWNERS=long
IMAGE_EVERY=10
NEW_APP_EVERY=0

usage() { sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
seconds_of() {
    case "$1" in
        *h) echo $(( ${1%h} * 3600 )) ;;
        *m) echo $(( ${1%m} * 60 )) ;;
        *s) echo "${1%s}" ;;
        *) echo "$1" ;;
    esac
}
while [ $# -gt 0 ]; do
    case "$1" in
        --build-dir) BUILD_DIR=$2; shift 2 ;;
        --duration) DURATION=$2; shift 2 ;;
        --rate) RATE=$2; shift 2 ;;
        --search-every) SEARCH_EVERY=$2; shift 2 ;;
        --clear-every) CLEAR_EVERY=$2; shift 2 ;;
        --move-every) MOVE_EVERY=$2; shift 2 ;;
        --work-dir) WORK=$2; shift 2 ;;
        --owners) OWNERS=$2; shift 2 ;;
        --image-every) IMAGE_EVERY=$2; shift 2 ;;
        --new-app-every) NEW_APP_EVERY=$2; shift 2 ;;
        -h|--help) usage ;;
        *) echo "soak: unknown option $1" >&2; usage ;;
    esac
done
DURATION_S=$(seconds_of "$DURATION")
case "$OWNERS" in long|short) ;; *) echo "soak: --owners is long or short" >&2; exit 2 ;; esac
case "$DURATION_S$RATE$SEARCH_EVERY$CLEAR_EVERY$MOVE_EVERY$IMAGE_EVERY$NEW_APP_EVERY" in
    *[!0-9.]*) echo "soak: durations and the rate are numbers" >&2; exit 2 ;;
esac
PROGRAM=$(cd "$BUILD_DIR" 2>/dev/null && pwd)/quorvane
[ -x "$PROGRAM" ] || { echo "soak: no quorvane in $BUILD_DIR" >&2; exit 2; }
for tool in Xvfb openbox dbus-daemon xdotool xclip xprop python3; do
    command -v "$tool" >/dev/null || { echo "soak: $tool is missing" >&2; exit 2; }
done
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "soak: at-spi-bus-launcher is missing" >&2; exit 2; }

[ -n "$WORK" ] || WORK=$(mktemp -d /tmp/quorvane-soak.XXXXXX)
mkdir -p "$WORK"/{home,config/Quorvane,data,runtime,moved}
chmod 700 "$WORK/runtime"
WORK=$(cd "$WORK" && pwd)
LOG=$WORK/quorvane.log
# The system's own interpreter when there is one: a version manager's shim costs a process per call.
PY=$(command -v /usr/bin/python3 || command -v python3)
UI="$PY $HERE/soak_ui.py"
SAMPLE="$PY $HERE/soak_sample.py"
: > "$WORK/made.txt"; : > "$WORK/seen.txt"; : > "$WORK/samples.tsv"; rm -f "$WORK/stop" "$WORK/pause"
declare -A COUNT=([shows]=0 [searches]=0 [deletes]=0 [clears]=0 [moves]=0 [ui_failures]=0)
PIDS=()

say() { printf '%s soak: %s\n' "$(date -u +%H:%M:%S)" "$*"; }
write_counters() {
    {
        echo "build=$PROGRAM"; echo "asked=$DURATION_S"; echo "ran=${RAN:-0}"; echo "ended=${ENDED:-running}"
        for key in "${!COUNT[@]}"; do echo "$key=${COUNT[$key]}"; done
    } > "$WORK/counters"
}
cleanup() {
    touch "$WORK/stop"
    [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null && sleep 2
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    [ -n "${DBUS_PID:-}" ] && kill "$DBUS_PID" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT
trap 'ENDED=interrupted; exit 1' INT TERM

# A display of our own: the first number without a lock file.
for n in $(seq 140 239); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp > "$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    # The socket shows before the server takes clients: wait until one gets through.
    for _ in $(seq 100); do DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
    if kill -0 "$XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then DISPLAY_NUMBER=$n; break; fi
done
[ -n "${DISPLAY_NUMBER:-}" ] || { echo "soak: no X display could start" >&2; exit 1; }
PIDS+=("$XVFB_PID")
export DISPLAY=":$DISPLAY_NUMBER" HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data"
export XDG_RUNTIME_DIR="$WORK/runtime" XDG_CACHE_HOME="$WORK/home/.cache" QT_QPA_PLATFORM=xcb
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
read -r DBUS_SESSION_BUS_ADDRESS DBUS_PID < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 |
    paste -sd ' ')
export DBUS_SESSION_BUS_ADDRESS
/usr/libexec/at-spi-bus-launcher --launch-immediately > "$WORK/atspi.log" 2>&1 &
PIDS+=($!)
# Without a window manager nothing is ever active and every panel show looks failed: wait until openbox
# names its check window, starting it again if a loaded machine made it miss the display.
for attempt in 1 2 3; do
    openbox >> "$WORK/openbox.log" 2>&1 &
    OPENBOX_PID=$!
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break 2
        kill -0 "$OPENBOX_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill "$OPENBOX_PID" 2>/dev/null
    OPENBOX_PID=
    sleep 1
done
[ -n "${OPENBOX_PID:-}" ] || { echo "soak: openbox did not start (see $WORK/openbox.log)" >&2; exit 1; }
PIDS+=("$OPENBOX_PID")
sleep 1

# Past the first-run wizard; everything else as a new user has it.
echo '{"DidCompleteOnboarding": true}' > "$WORK/config/Quorvane/settings.json"
export TSAN_OPTIONS="halt_on_error=0 second_deadlock_stack=1 suppressions=$REPO/tests/sanitizer/tsan.supp ${TSAN_OPTIONS:-}"
export ASAN_OPTIONS="detect_leaks=1 ${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$REPO/tests/sanitizer/lsan.supp ${LSAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1 ${UBSAN_OPTIONS:-}"
say "display $DISPLAY, work folder $WORK, program $PROGRAM"
"$PROGRAM" > "$LOG" 2>&1 &
APP_PID=$!
for _ in $(seq 600); do grep -q "App coordinator started" "$LOG" && break; kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.5; done
grep -q "App coordinator started" "$LOG" || { ENDED=no-start; write_counters; say "the program did not start"; tail -20 "$LOG"; exit 1; }
say "started (pid $APP_PID); running ${DURATION_S}s at $RATE copies/s"

$SAMPLE watch --pid "$APP_PID" --work "$WORK" --interval 5 &
PIDS+=($!)

# Copies, each with a marker the report finds again: plain, CJK, emoji, long lines, several lines, JSON, URLs.
if [ "$OWNERS" = short ]; then
    $PY "$HERE/soak_owners.py" --rate "$RATE" --work "$WORK" --image-every "$IMAGE_EVERY" \
        --new-app-every "$NEW_APP_EVERY" > "$WORK/copier.log" 2>&1 &
else
    $PY "$HERE/soak_copier.py" --rate "$RATE" --work "$WORK" > "$WORK/copier.log" 2>&1 &
fi
PIDS+=($!)

hold() { xdotool keydown "$1"; sleep 0.12; xdotool keyup "$1"; }
app_window_shows() { [ -n "$(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | head -1)" ]; }
open_panel() {
    hold super+shift+v
    for _ in $(seq 40); do
        [ "$(xdotool getactivewindow getwindowpid 2>/dev/null)" = "$APP_PID" ] && return 0
        sleep 0.1
    done
    return 1
}
# A sanitizer build answers the accessibility bus slowly: a window gets a minute and a half to show.
# A failed step leaves the accessible tree it found beside the log, to tell a slow window from a missing one.
ui() {
    $UI --wait 90 "$@" && return 0
    COUNT[ui_failures]=$((COUNT[ui_failures] + 1))
    $UI dump > "$WORK/ui-failure-${COUNT[ui_failures]}.txt" 2>&1
    say "ui step failed: $* (tree in ui-failure-${COUNT[ui_failures]}.txt)"
    return 1
}
close_settings() {
    # Alt+F4 is openbox's close: the window gets WM_DELETE_WINDOW, as from its title bar.
    for _ in 1 2 3; do app_window_shows || return 0; hold alt+F4; sleep 0.5; done
    hold Escape
}
open_storage_settings() {
    open_panel || return 1
    hold ctrl+comma
    ui press Storage
}
clear_all() {
    touch "$WORK/pause"; sleep 1
    $SAMPLE snapshot --work "$WORK"
    if open_storage_settings && ui press "Clear All History Now" && ui press "Clear History" && ui press OK; then
        COUNT[clears]=$((COUNT[clears] + 1)); say "cleared the history"
    fi
    rm -f "$WORK/pause"
    close_settings
}
MOVED=0
move_storage() {
    # Capture stands still while the files are copied: copies pause for the move.
    touch "$WORK/pause"; sleep 1
    $SAMPLE snapshot --work "$WORK"
    open_storage_settings || { rm -f "$WORK/pause"; close_settings; return; }
    if [ "$MOVED" = 0 ]; then
        ui press "Choose..." && ui press "Choose Directory" && ui settext "Directory:" "$WORK/moved" &&
            ui press Choose && ui press "Confirm Migration" && ui --wait 120 press OK &&
            { MOVED=1; COUNT[moves]=$((COUNT[moves] + 1)); say "moved the storage to $WORK/moved"; }
    else
        ui press Reset && ui press "Confirm Reset" && ui --wait 120 press OK &&
            { MOVED=0; COUNT[moves]=$((COUNT[moves] + 1)); say "moved the storage back"; }
    fi
    rm -f "$WORK/pause"
    close_settings
}
QUERIES=("soak" "剪贴板" "type:text soak" "app:none" "after:2020-01-01 copy" "emoji" "type:image"
    "json items" "after:yesterday" "lorem ipsum" "你好" "https example" "type:text after:2024-01-01 alpha"
    "zzzz-nothing" "second line" "😀")
search_once() {
    open_panel || { COUNT[ui_failures]=$((COUNT[ui_failures] + 1)); hold Escape; return; }
    COUNT[shows]=$((COUNT[shows] + 1))
    local query=${QUERIES[$((COUNT[searches] % ${#QUERIES[@]}))]}
    sleep 0.3
    xdotool type --delay 40 "$query"
    COUNT[searches]=$((COUNT[searches] + 1))
    sleep 1.2
    if [ $((COUNT[searches] % 5)) = 0 ]; then
        # Copies pause around a deletion and what is stored is noted first, so a copy deleted before the
        # sampler saw it still counts as stored.
        touch "$WORK/pause"; sleep 0.5
        $SAMPLE snapshot --work "$WORK"
        hold ctrl+a; hold BackSpace; sleep 0.6
        hold Down; hold ctrl+Delete
        COUNT[deletes]=$((COUNT[deletes] + 1)); sleep 0.4
        rm -f "$WORK/pause"
    fi
    hold Escape
}

START=$SECONDS
NEXT_CLEAR=$((START + CLEAR_EVERY)); NEXT_MOVE=$((START + MOVE_EVERY)); NEXT_NOTE=$((START + 60))
ENDED=alive
while [ $((SECONDS - START)) -lt "$DURATION_S" ]; do
    if ! kill -0 "$APP_PID" 2>/dev/null; then ENDED=crashed; break; fi
    STEP=$SECONDS
    if [ "$CLEAR_EVERY" != 0 ] && [ "$SECONDS" -ge "$NEXT_CLEAR" ]; then
        clear_all; NEXT_CLEAR=$((SECONDS + CLEAR_EVERY))
    elif [ "$MOVE_EVERY" != 0 ] && [ "$SECONDS" -ge "$NEXT_MOVE" ]; then
        move_storage; NEXT_MOVE=$((SECONDS + MOVE_EVERY))
    else
        search_once
    fi
    if [ "$SECONDS" -ge "$NEXT_NOTE" ]; then
        say "$((SECONDS - START))s: $(wc -l < "$WORK/made.txt") copies, ${COUNT[searches]} searches, RssAnon $(awk '/RssAnon/ {print $2, $3}' /proc/$APP_PID/status 2>/dev/null)"
        NEXT_NOTE=$((SECONDS + 60))
    fi
    write_counters
    REST=$((SEARCH_EVERY - (SECONDS - STEP)))
    [ "$REST" -gt 0 ] && sleep "$REST"
done
RAN=$((SECONDS - START))
touch "$WORK/stop"
sleep 1
if [ "$ENDED" = alive ]; then
    # A clean stop also lets LeakSanitizer speak.
    kill -TERM "$APP_PID" 2>/dev/null
    for _ in $(seq 100); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.3; done
    if wait "$APP_PID"; then ENDED=stopped; else ENDED="stopped with status $?"; fi
else
    wait "$APP_PID"; ENDED="crashed with status $?"
fi
APP_PID=
write_counters
echo
$SAMPLE report --work "$WORK" --log "$LOG"
STATUS=$?
echo "log and samples: $WORK"
exit $STATUS
