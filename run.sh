#!/usr/bin/env bash
# Builds ZEL Maintenance and starts it on a demo site: a demo site database in demo-site/ and,
# when the clock emulator is part of the build, emulated clocks for the site's channels.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

./scripts/install-deps.sh

build=build/run
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
trap stop_emulators EXIT

start_emulator() { # NAME ARGS...: starts zelclockd and waits until it says "ready"
  local name=$1
  shift
  local out=$site/zelclockd-$name.out log=$site/zelclockd-$name.log
  : >"$out"
  "$bin/zelclockd" "$@" --state "$site/clocks-$name.state" >"$out" 2>"$log" &
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

args=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # Qt's VNC server listens on every interface and asks no password: a trusted machine only.
  echo "No display: ZEL Maintenance runs on Qt's VNC platform; connect a VNC viewer to 127.0.0.1:5900."
  args=(-platform vnc:port=5900:size=1280x800)
fi

cd "$site"
status=0
"$bin/ZelMaintenance" "${args[@]}" || status=$?
exit "$status"
