#!/usr/bin/env bash
# Runs a test program on a virtual display of its own (Xvfb) under a real window manager (openbox),
# so that frames, maximizing and restoring behave as on a desktop. Waits until both are ready, gives
# up after a while, and ends them whatever the test does.
#   with-window-manager.sh PROGRAM [ARGUMENTS...]
set -euo pipefail

for tool in Xvfb openbox; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (./test.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Waits up to ten seconds for a file to appear (and hold something, with -s).
wait_for() {
  local test=$1 file=$2 i
  for i in $(seq 100); do
    [ "$test" "$file" ] && return 0
    sleep 0.1
  done
  return 1
}

# Xvfb picks a free display and writes its number once it accepts connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for -s "$work/display" || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# openbox with its stock settings (not the user's), telling when it manages the screen.
export XDG_CONFIG_HOME="$work/config"
openbox --sm-disable --startup "touch $work/wm-ready" >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for -e "$work/wm-ready" || { echo "openbox did not start:" >&2; cat "$work/openbox.log" >&2; exit 1; }

QT_QPA_PLATFORM=xcb "$@"
