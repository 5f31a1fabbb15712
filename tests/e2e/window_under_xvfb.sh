#!/usr/bin/env bash
# Starts the program as a person would, in a real X window (Xvfb), checks that it stays up,
# keeps a screenshot of its first tab, and closes it: it must exit cleanly.
set -euo pipefail

run_in_display() {
    local pliego="$1" shot="$2" work="$3"
    cd "$work"
    # A real X window whatever the caller's environment says: offscreen would open none.
    QT_QPA_PLATFORM=xcb "$pliego" &
    local pid=$!
    local found=""
    for _ in $(seq 1 150); do
        if xwininfo -root -tree 2>/dev/null | grep -q '"Pliego"'; then
            found=yes
            break
        fi
        sleep 0.1
    done
    if [ -z "$found" ]; then
        echo "the window never appeared" >&2
        kill -9 "$pid" 2>/dev/null || true
        return 1
    fi
    sleep 1
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "the program did not stay up" >&2
        return 1
    fi
    import -window root -crop 904x676+0+0 "$shot"
    kill -TERM "$pid"
    local status=0
    wait "$pid" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "the program exited with status $status after its window was closed" >&2
        return 1
    fi
}
if [ "${1:-}" = "--inside-display" ]; then
    shift
    run_in_display "$@"
    exit
fi

pliego="$1"
artifacts="$2"
mkdir -p "$artifacts"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 1024x768x24" \
    bash "$0" --inside-display "$pliego" "$artifacts/tab0.png" "$work"

# A blank or single-colour picture means nothing was drawn.
colours="$(identify -format '%k' "$artifacts/tab0.png")"
if [ "$colours" -lt 16 ]; then
    echo "the screenshot holds only $colours colours" >&2
    exit 1
fi
echo "screenshot: $artifacts/tab0.png ($colours colours)"
