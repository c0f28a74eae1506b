#!/usr/bin/env bash
# Starts ./run.sh without a display and checks, while the program runs, that none of the listening
# sockets of run.sh and what it started (emulated clocks, virtual X server, VNC server) is bound
# outside 127.0.0.0/8 (ss -ltunp). Then closes the program, as a person would, and checks that
# run.sh stops everything it started. Exit status 0 when all holds.
#
#   scripts/check-headless.sh            (ZEL_RUN_BUILD_DIR is handed on to run.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

log=$(mktemp)
session=
cleanup() {
  if [ -n "$session" ] && kill -0 "$session" 2>/dev/null; then
    kill -TERM "$session" 2>/dev/null || true
  fi
  rm -f "$log"
}
trap cleanup EXIT

session_pids() { ps -o pid= -s "$session" | tr -d ' '; }
program_pid() { ps -o pid=,comm= -s "$session" | awk '$2 == "ZelMaintenance" { print $1 }'; }

# run.sh leads its own session, so everything it starts can be found by the session ID.
setsid env -u DISPLAY -u WAYLAND_DISPLAY ./run.sh >"$log" 2>&1 &
session=$!

# run.sh may have to build first: wait for the program itself, as long as run.sh lives.
program=
while kill -0 "$session" 2>/dev/null; do
  program=$(program_pid)
  if [ -n "$program" ] && grep -q '^No display:' "$log"; then
    break
  fi
  sleep 1
done
if [ -z "$program" ]; then
  echo "FAIL: run.sh ended before the program ran:" >&2
  cat "$log" >&2
  exit 1
fi
sed -n '/^No display:/,/VNC viewer there/p' "$log"

failures=0
pids=" $(session_pids | tr '\n' ' ') "
listeners=0
while read -r _ _ _ _ local _ process; do
  pid=$(sed -n 's/.*pid=\([0-9]*\).*/\1/p' <<<"$process")
  [ -n "$pid" ] && [[ "$pids" == *" $pid "* ]] || continue
  listeners=$((listeners + 1))
  address=${local%:*}
  if [[ "$address" =~ ^127\. || "$address" =~ ^\[::ffff:127\. ]]; then
    echo "ok: $local  $process"
  else
    echo "FAIL: listening outside 127.0.0.0/8: $local  $process" >&2
    failures=$((failures + 1))
  fi
done < <(ss -Hltunp)
if ! ss -Hltnp | grep -q '"x11vnc"'; then
  echo "FAIL: no VNC server listening" >&2
  failures=$((failures + 1))
fi
echo "$listeners listening socket(s) of run.sh checked"

# The person closes the program: run.sh must stop the emulators, the VNC server and Xvfb.
kill -TERM "$program"
for _ in $(seq 1 100); do
  kill -0 "$session" 2>/dev/null || break
  sleep 0.1
done
left=$(ps -o pid=,comm= -s "$session" || true)
if [ -n "$left" ]; then
  echo "FAIL: still running after the program ended:" >&2
  echo "$left" >&2
  failures=$((failures + 1))
else
  echo "ok: run.sh stopped everything it started"
fi

if [ "$failures" -gt 0 ]; then
  exit 1
fi
echo "headless run.sh listens on loopback only"
