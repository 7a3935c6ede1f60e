# Shared pieces of the end-to-end tests of the real workbench: a virtual X
# display of its own, the program started on it, its main window found and
# focused, and title checks. Source it after `set -euo pipefail`.

for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and writes it to fd 3. Other
# test runs start their own servers at the same time: the server listens only
# on the abstract socket (which another server cannot unlink or take over),
# does not reset when a client leaves, and counts as started only once a
# client reaches it and it still runs. Otherwise it is replaced.
start_xvfb() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -nolisten unix -noreset \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || return 1
  local n
  n=$(head -n1 "$work/display")
  DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1 || return 1
  kill -0 "$xvfb_pid" 2>/dev/null || return 1
  export DISPLAY=":$n"
}
started=""
for attempt in 1 2 3 4 5; do
  if start_xvfb; then started=1; break; fi
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
  sleep 0.5
done
[ -n "$started" ] || { echo "e2e: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

win=""
title() { xdotool getwindowname "$win"; }
wait_title() {  # wait until the title equals $1
  for _ in $(seq 200); do [ "$(title)" = "$1" ] && return 0; sleep 0.1; done
  echo "e2e: expected title '$1', got '$(title)'" >&2
  return 1
}

# Starts the workbench on project file $2 ($1: the binary) and waits for its
# window, whose title names the file, to show with the keyboard focus.
start_app() {
  local name
  name=$(basename "$2")
  "$1" "$2" >"$work/app.log" 2>&1 &
  app_pid=$!
  win=""
  for _ in $(seq 450); do  # a machine busy with builds may take its time to show the window
    win=$(xdotool search --name "${name//./\\.}" 2>/dev/null | head -n1 || true)
    [ -n "$win" ] && break
    kill -0 "$app_pid" 2>/dev/null || { echo "e2e: vornex exited" >&2; cat "$work/app.log" >&2; exit 1; }
    sleep 0.1
  done
  [ -n "$win" ] || { echo "e2e: no window" >&2; cat "$work/app.log" >&2; exit 1; }
  wait_title "$name - 沃尼克斯V0.9.20120223"
  for _ in $(seq 50); do
    xdotool windowfocus "$win" 2>/dev/null || true
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$win" ] && break
    sleep 0.1
  done
  sleep 1
}

# Stops the program started last (it asks nothing: the project was saved).
stop_app() {
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}

# The screen as PNG in $1; fails when it is blank.
check_screenshot() {
  import -window root "$1"
  local colours spread
  colours=$(convert "$1" -format '%k' info:)
  spread=$(convert "$1" -colorspace Gray -format '%[fx:standard_deviation]' info:)
  echo "e2e: screenshot has $colours colours, grey spread $spread"
  [ "$colours" -gt 16 ] || { echo "e2e: screenshot is blank" >&2; exit 1; }
  awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }' || { echo "e2e: screenshot is blank" >&2; exit 1; }
}
