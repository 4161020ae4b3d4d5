# Helpers of the real-drag tests, which source this file: a work folder, removed at exit with the
# programs started in it; windows found by their titles; a drag with a pause before the release, retried.
set -uo pipefail

command -v xdotool > /dev/null || { echo "xdotool is not installed"; exit 77; }
command -v compare > /dev/null || { echo "ImageMagick is not installed"; exit 77; }
export QT_QPA_PLATFORM=xcb
WORK=$(mktemp -d /tmp/pixora-real-drag.XXXXXX)
PIDS=()
cleanup() {
    for pid in "${PIDS[@]}"; do kill "$pid" 2> /dev/null; done
    wait 2> /dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }

# launch COMMAND...: runs the command in the background, its output in WORK.
launch() {
    "$@" >> "$WORK/$(basename "$1").log" 2>&1 &
    PIDS+=($!)
}
# Ends the program launched last and waits for it, so that its windows are gone.
stop_last() {
    kill "${PIDS[-1]}"
    wait "${PIDS[-1]}" 2> /dev/null
}
# The newest visible window titled NAME, waited for.
window() { timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | tail -1; }
# Window-relative point of a window as screen coordinates.
at() { eval "$(xdotool getwindowgeometry --shell "$1")"; echo "$((X + $2)) $((Y + $3))"; }
title_of() { xdotool getwindowname "$1"; }
# drag FROM_X FROM_Y TO_X TO_Y CHECK: a left-button drag with a pause before the release, repeated
# up to three times until CHECK (a command) succeeds within 3 seconds.
drag() {
    for attempt in 1 2 3; do
        xdotool mousemove --sync "$1" "$2"
        xdotool mousedown 1
        xdotool mousemove "$(($1 + 10))" "$(($2 + 10))"
        xdotool mousemove "$(( ($1 + $3) / 2 ))" "$(( ($2 + $4) / 2 ))"
        xdotool mousemove "$3" "$4"
        sleep 0.3
        xdotool mousemove "$(($3 + 1))" "$4"
        sleep 0.3
        xdotool mouseup 1
        for _ in $(seq 30); do
            eval "$5" && return 0
            sleep 0.1
        done
        echo "attempt $attempt of the drag to $3,$4 did not arrive"
    done
    return 1
}
# same_picture A B: whether two picture files hold the same pixels.
same_picture() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
