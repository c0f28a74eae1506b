#!/usr/bin/env bash
# Builds ZEL Maintenance and starts it on a demo site: a demo site database in demo-site/ and,
# when the clock emulator is part of the build, emulated clocks for the site's channels.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

./scripts/install-deps.sh

build=${ZEL_RUN_BUILD_DIR:-build/run}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZEL_BUILD_TESTS=OFF -DZEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
bin=$root/$build/bin

# The demo site: made once, then kept with whatever changes were made in it.
site=$root/demo-site
mkdir -p "$site"
fresh=0
if [ ! -f "$site/zel.mdb" ]; then
  "$bin/zel_make_demo_site" "$site/zel.mdb"
  fresh=1
fi

# Emulated clocks: one emulator per channel that leads to this machine.
pids=()
stop_emulators() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
}
display_pids=()
stop_display() { # stops the VNC server, then the virtual X server
  for pid in "${display_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -f "$site/.vnc-passwd" "$site/.Xauthority-run"
}
program_pid=
cleanup() {
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
  fi
  stop_emulators
  stop_display
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

start_emulator() { # NAME ARGS...: starts zelclockd and waits until it says "ready"
  local name=$1
  shift
  local out=$site/zelclockd-$name.out log=$site/zelclockd-$name.log
  : >"$out"
  # The demo clocks log punches of their users while the demo runs (every 30 s), and a clock whose
  # log is empty starts with 40 past punches, so the Events page has something to collect.
  "$bin/zelclockd" "$@" --punch-every 30 --events 40 --state "$site/clocks-$name.state" >"$out" 2>"$log" &
  local pid=$!
  for _ in $(seq 1 100); do
    if grep -q '^ready' "$out"; then
      pids+=("$pid")
      return 0
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
      break
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  echo "Clock emulator '$name' did not start (see $log):" >&2
  tail -n 3 "$log" >&2 || true
  return 1
}

if [ -x "$bin/zelclockd" ]; then
  while read -r kind port clocks; do
    [ -n "$kind" ] || continue
    clock_args=()
    for clock in $clocks; do
      clock_args+=(--clock "$clock")
    done
    case $kind in
      tcp)
        # A fresh demo: the first Ethernet clock already holds the enrolled demo users, so that
        # Get Users and Synchronize have something to read on the first run.
        state=$site/clocks-tcp$port.state
        if [ "$fresh" = 1 ] && [ ! -e "$state" ] && [ -n "$clocks" ]; then
          "$bin/zel_make_demo_site" --seed-clock "$site/zel.mdb" "$state" "${clocks%% *}" ||
            echo "The demo users could not be given to an emulated clock; all clocks start empty." >&2
          fresh=0
        fi
        if start_emulator "tcp$port" --tcp "127.0.0.1:$port" "${clock_args[@]}"; then
          echo "Emulated clocks $clocks on 127.0.0.1:$port"
        fi
        ;;
      pty)
        link=$site/ttyZEL$port
        if start_emulator "com$port" --no-tcp --pty-link "$link" "${clock_args[@]}"; then
          export "ZEL_COM$port=$link"
          echo "Emulated clocks $clocks on COM$port ($link)"
        fi
        ;;
    esac
  done < <("$bin/zel_make_demo_site" --plan "$site/zel.mdb")
else
  echo "The clock emulator is not part of this build: the demo clocks will not answer."
fi

# Without a display: a virtual X server (Xvfb) shown by a VNC server (x11vnc) that listens on
# 127.0.0.1 only, with a password made for this run. Neither listens on any other interface; from
# another machine the way in is an SSH tunnel.
start_headless_display() {
  local auth=$site/.Xauthority-run passwd=$site/.vnc-passwd out=$site/x11vnc.out n=99
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do
    n=$((n + 1))
  done
  rm -f "$auth" "$passwd"
  (umask 077 && : >"$auth")
  xauth -q -f "$auth" add ":$n" . "$(mcookie)"
  Xvfb ":$n" -auth "$auth" -nolisten tcp -screen 0 1280x800x24 >"$site/xvfb.log" 2>&1 &
  display_pids=("$!")
  export DISPLAY=":$n" XAUTHORITY=$auth
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM
  local up=0
  for _ in $(seq 1 100); do
    if xdpyinfo >/dev/null 2>&1; then
      up=1
      break
    fi
    sleep 0.1
  done
  if [ "$up" = 0 ]; then
    echo "The virtual X server did not start (see $site/xvfb.log)." >&2
    return 1
  fi

  local password
  password=$(head -c 300 /dev/urandom | tr -dc 'a-zA-Z0-9' | cut -c 1-8)
  (umask 077 && x11vnc -storepasswd "$password" "$passwd" >/dev/null 2>&1)
  : >"$out"
  x11vnc -localhost -noipv6 -display ":$n" -auth "$auth" -rfbauth "$passwd" -autoport 5900 \
    -forever -shared -nolookup -quiet >"$out" 2>&1 &
  display_pids=("$!" "${display_pids[@]}")
  local port=
  for _ in $(seq 1 100); do
    port=$(sed -n 's/^PORT=\([0-9]*\)$/\1/p' "$out")
    [ -n "$port" ] && break
    kill -0 "${display_pids[0]}" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$port" ]; then
    echo "The VNC server did not start (see $out):" >&2
    tail -n 3 "$out" >&2 || true
    return 1
  fi
  cat <<TEXT
No display: ZEL Maintenance runs on the virtual X display $DISPLAY, shown by a VNC server
listening on 127.0.0.1:$port only (password: $password).
  On this machine:     a VNC viewer on localhost:$port
  From another one:    ssh -L $port:localhost:$port $(id -un)@$(hostname)
                       then a VNC viewer there on localhost:$port
TEXT
}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  start_headless_display
fi

cd "$site"
status=0
"$bin/ZelMaintenance" --site "$site/zel.mdb" & # the demo site, not the site opened last
program_pid=$!
wait "$program_pid" || status=$?
program_pid=
exit "$status"
