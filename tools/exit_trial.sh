#!/usr/bin/env bash
# Exit during a held fetch, as a person does it, N times: start quillmark under Xvfb against a
# search host that accepts and never answers, press Start, type a keyword, press Investigate, and
# once the supply page is held press Ctrl+X. Prints each try's exit status and the milliseconds
# from the key to the program's end, then a summary. Needs xvfb, xdotool and python3.
#   tools/exit_trial.sh [TRIES] [BUILD_DIR]
set -euo pipefail
tries=${1:-50}
build=$(realpath "${2:-build}")
[ -x "$build/quillmark" ] || { echo "exit_trial: no $build/quillmark" >&2; exit 1; }
if [ -z "${EXIT_TRIAL_INNER:-}" ]; then
  EXIT_TRIAL_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$tries" "$build"
fi

work=$(mktemp -d)
silent_pid=
cleanup() {
  [ -n "$silent_pid" ] && kill "$silent_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
python3 - "$work" <<'PY' &
import socket, sys
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(64)
open(sys.argv[1] + "/port", "w").write(str(s.getsockname()[1]))
held = []
while True:
    c, _ = s.accept()
    held.append(c)
    open(sys.argv[1] + "/accepted", "a").write("1\n")
PY
silent_pid=$!
until [ -s "$work/port" ]; do sleep 0.05; done
port=$(cat "$work/port")

wait_window() {
  local id=
  for _ in $(seq 400); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
    sleep 0.05
  done
  echo "$id"
}

passed=0
for try in $(seq "$tries"); do
  rm -f "$work/accepted"
  export QUILLMARK_CONFIG_DIR=$work/config-$try XDG_RUNTIME_DIR=$work/runtime-$try
  mkdir -p "$QUILLMARK_CONFIG_DIR" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  "$build/quillmark" --search-host "127.0.0.1:$port" 2>"$work/stderr" &
  pid=$!
  # A step of the driver that goes wrong (a window not found, an X error) is reported with the
  # try, never taken for the program's failure or success.
  driver=ok
  main=$(wait_window '^Quillmark$')
  sleep 0.3
  if [ -n "$main" ] && eval "$(xdotool getwindowgeometry --shell "$main")"; then
    xdotool mousemove $((X + 321)) $((Y + 55)) click 1 || driver="Start not clicked"  # Start
    dialog=$(wait_window '^Investigate...$')
    sleep 0.2
    if [ -n "$dialog" ] && eval "$(xdotool getwindowgeometry --shell "$dialog")"; then
      xdotool mousemove $((X + 140)) $((Y + 80)) click 1 type --delay 5 "garden sheds" &&
        xdotool mousemove $((X + 238)) $((Y + 429)) click 1 || driver="Investigate not clicked"
    else
      driver="no Investigate dialog"
    fi
  else
    driver="no main window"
  fi
  for _ in $(seq 400); do [ -s "$work/accepted" ] && break; sleep 0.02; done
  sleep 0.2
  if [ -n "$main" ]; then
    xdotool windowfocus "$main" key ctrl+x || driver="Ctrl+X not sent"
  fi
  start=$(date +%s%N)
  for _ in $(seq 1000); do kill -0 "$pid" 2>/dev/null || break; sleep 0.005; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "try $try: still running 5 s after Ctrl+X"
    kill -KILL "$pid"
  fi
  status=0
  wait "$pid" || status=$?
  ms=$((($(date +%s%N) - start) / 1000000))
  held=no
  [ -s "$work/accepted" ] && held=yes
  echo "try $try: driver $driver, fetch held $held, exit status $status, ${ms} ms, stderr: $(tr '\n' ' ' <"$work/stderr")"
  [ "$held" = yes ] && [ "$status" -eq 0 ] && [ "$ms" -lt 1000 ] && passed=$((passed + 1))
done
echo "exit_trial: $passed of $tries tries exited 0 within a second of Ctrl+X during a held fetch"
[ "$passed" -eq "$tries" ]
