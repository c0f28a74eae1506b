#!/usr/bin/env bash
# Checks the Debian package made from a build folder, the way an administrator meets it:
#
#   packaging/test-package.sh BUILD_DIR
#
# Builds the package (scripts/package.sh BUILD_DIR), then checks its control fields and file list,
# unpacks it into a temporary root and runs the programs from there with no LD_LIBRARY_PATH
# (zelclockd --help, zelmkdb, zelctl reaching for a clock through libzeldll32.so, and
# ZelMaintenance started from its menu entry on a virtual X display until its main window shows,
# and its --help and --version without any display), validates the desktop entry, the AppStream
# metainfo and the manual pages (and their dates), checks every systemd unit with
# systemd-analyze verify and runs the nightly events unit's commands, and runs lintian.
# Prints lintian's warnings; fails on any error.
set -euo pipefail
root_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: packaging/test-package.sh BUILD_DIR}" && pwd)
cd "$root_dir"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

deb=$(scripts/package.sh "$build" | tail -n 1)
echo "package: $deb"

tmp=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# --- Control fields -------------------------------------------------------------------------------
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "$(dpkg-deb -f "$deb" Package)" = zel-maintenance ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version), project $version"
changelog_version=$(sed -n '1s/^[^(]*(\([^)]*\)).*/\1/p' packaging/changelog)
[ "$changelog_version" = "$version" ] || fail "packaging/changelog starts at $changelog_version, the project is $version"
dpkg-deb -f "$deb" Maintainer | grep -Eq '^[^<]+ <[^@ ]+@[^> ]+>$' || fail "maintainer field"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libc6 libstdc++6 libqt6widgets6 libqt6svg6 libsqlite3-0; do
  [[ ",$depends," == *", $dep "* || ",$depends," == *",$dep "* ]] || fail "Depends lacks $dep: $depends"
done
pass "control fields (version $version; Depends: $depends)"

# --- File list -----------------------------------------------------------------------------------
files=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|')
outside=$(grep -v '^/usr/' <<<"$files" | grep -v '^/$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
arch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir=/usr/lib/$arch/zel-maintenance
app=example.zel.ZelMaintenance
doc=/usr/share/doc/zel-maintenance
expected=(
  /usr/bin/ZelMaintenance /usr/bin/zelctl /usr/bin/zelclockd /usr/bin/zelmkdb
  "$libdir/libZelSupportLib.so" "$libdir/libZelMainData.so.1" "$libdir/libzeldll32.so"
  "/usr/share/applications/$app.desktop" "/usr/share/metainfo/$app.metainfo.xml"
  "/usr/share/icons/hicolor/scalable/apps/$app.svg"
  /usr/share/man/man1/ZelMaintenance.1.gz /usr/share/man/man1/zelctl.1.gz
  /usr/share/man/man1/zelclockd.1.gz /usr/share/man/man1/zelmkdb.1.gz
  "$doc/copyright" "$doc/changelog.gz" "$doc/README.md" "$doc/zelctl.md"
  "$doc/examples/zelclockd-training.service"
)
units=/usr/lib/systemd/user
for unit in zel-events zel-status zel-time-set zel-time-drift zel-dst zel-retention; do
  expected+=("$units/$unit.service" "$units/$unit.timer")
done
for size in 16 22 24 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/$app.png")
done
for f in "${expected[@]}"; do
  grep -qxF "$f" <<<"$files" || fail "the package lacks $f"
done
pass "file list (${#expected[@]} expected files)"

# --- Unpacked: libraries found through RUNPATH alone ---------------------------------------------
unpacked=$tmp/root
dpkg-deb -x "$deb" "$unpacked"
bin=$unpacked/usr/bin
run() { env -u LD_LIBRARY_PATH -u ZEL_VENDOR_LIBRARY -u QT_QPA_PLATFORM "$@"; }
before=$failures
for program in ZelMaintenance zelctl zelclockd zelmkdb; do
  runpath=$(readelf -d "$bin/$program" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  [ -z "$runpath" ] || [ "$runpath" = "\$ORIGIN/../lib/$arch/zel-maintenance" ] ||
    fail "$program RUNPATH $runpath"
  while read -r name _ path _; do
    [ -n "$name" ] || continue
    if [ "$path" = not ]; then
      fail "$program: $name not found"
    elif [ "$(realpath -s "$path")" != "$(realpath -s "$unpacked$libdir")/$name" ]; then
      fail "$program takes $name from outside the package: $path"
    fi
  done < <(run ldd "$bin/$program" | grep -E 'libZel|libzeldll32|not found' || true)
done
[ "$failures" != "$before" ] || pass "programs find their libraries in the package (RUNPATH)"

out=$(run "$bin/zelclockd" --help) && grep -q '^Usage: zelclockd' <<<"$out" ||
  fail "zelclockd --help"
site=$tmp/site
mkdir "$site"
run "$bin/zelmkdb" "$site/zel.mdb" >/dev/null || fail "zelmkdb"
[ "$(stat -c %a "$site/zel.mdb" 2>/dev/null)" = 600 ] || fail "zelmkdb: no file of mode 0600"
run "$bin/zelmkdb" "$site/zel.mdb" >/dev/null 2>&1 && fail "zelmkdb overwrote a file"
run "$bin/zelctl" --site "$site/zel.mdb" clocks >/dev/null || fail "zelctl clocks on a new site"
pass "zelclockd --help, zelmkdb, zelctl clocks"

# --help and --version are answered before the window system is reached: no display at all.
out=$(run env -u DISPLAY -u WAYLAND_DISPLAY "$bin/ZelMaintenance" --help 2>&1) && grep -q '^Usage: ZelMaintenance' <<<"$out" ||
  fail "ZelMaintenance --help without a display: $out"
out=$(run env -u DISPLAY -u WAYLAND_DISPLAY "$bin/ZelMaintenance" --version 2>&1) && [ "$out" = "ZelMaintenance $version" ] ||
  fail "ZelMaintenance --version without a display: $out"
pass "ZelMaintenance --help and --version without a display"

# zelctl reaching for a clock loads libzeldll32.so through ZelSupportLib's RUNPATH; nothing needs to
# answer (a clock that is not there is a clock failure, not a missing library).
if [ -x "$build/bin/zel_make_demo_site" ]; then
  "$build/bin/zel_make_demo_site" "$tmp/demo.mdb" >/dev/null
  clock=$(run "$bin/zelctl" --site "$tmp/demo.mdb" --format csv clocks | tr -d '\r' | sed -n '2s/,.*//p')
  loads=$(ZEL_TIMEOUT_MS=100 LD_DEBUG=files run "$bin/zelctl" --site "$tmp/demo.mdb" --format json \
    status "$clock" 2>&1 >/dev/null | sed -n 's|.*file=\(/[^ ]*libzeldll32.so\) .*|\1|p' | sort -u || true)
  if [ -n "$loads" ] && [ "$(realpath "$loads")" = "$(realpath "$unpacked$libdir")/libzeldll32.so" ]; then
    pass "zelctl loads $libdir/libzeldll32.so with no setting"
  else
    fail "zelctl status did not load the package's libzeldll32.so: ${loads:-none}"
  fi
else
  echo "skipped: no zel_make_demo_site in $build for the libzeldll32.so check"
fi

# ZelMaintenance from its menu entry, on a virtual X display, in a site folder: its main window
# (a normal window, not a dialog such as a start-up error) must show.
desktop=$unpacked/usr/share/applications/$app.desktop
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$bin/${exec_line%% *}" ] || fail "the menu entry runs $exec_line, not in the package"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$unpacked/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no 48x48 icon named $icon"
for size in 16 22 24 32 48 64 128 256; do
  dims=$(identify -format '%wx%h' "$unpacked/usr/share/icons/hicolor/${size}x${size}/apps/$app.png" 2>/dev/null || true)
  [ "$dims" = "${size}x${size}" ] || fail "icon ${size}x${size} is ${dims:-unreadable}"
done
exec 3>"$tmp/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 1 100); do
  [ -s "$tmp/display" ] && break
  sleep 0.1
done
display=:$(head -n 1 "$tmp/display")
# Preferences of its own: no site opened last, so it opens zel.mdb in the working folder.
(cd "$site" && PATH=$bin:$PATH DISPLAY=$display XDG_CONFIG_HOME=$tmp/config run $exec_line >"$tmp/program.log" 2>&1) &
program_pid=$!
shown=
for _ in $(seq 1 300); do
  for window in $(DISPLAY=$display xwininfo -root -tree 2>/dev/null |
    sed -n 's/^ *\(0x[0-9a-f]*\) "ZEL Maintenance[^"]*".*/\1/p'); do
    type=$(DISPLAY=$display xprop -id "$window" _NET_WM_WINDOW_TYPE 2>/dev/null || true)
    if [[ "$type" == *_NORMAL* && "$type" != *_DIALOG* ]]; then
      shown=$window
    fi
  done
  [ -n "$shown" ] && break
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -n "$shown" ]; then
  pass "ZelMaintenance from the menu entry shows its main window"
else
  fail "ZelMaintenance showed no main window: $(cat "$tmp/program.log")"
fi
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=

# --- Desktop entry, metainfo, manual pages, lintian ----------------------------------------------
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/$app.metainfo.xml" >"$tmp/appstream.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$tmp/appstream.log")"
for page in "$unpacked"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  date=$(zcat "$page" | sed -n 's/^\.TH [^ ]* [0-9]* "\([^"]*\)".*/\1/p')
  [[ "$date" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}$ ]] && date -d "$date" >/dev/null 2>&1 ||
    fail "$(basename "$page") is dated \"$date\", not YYYY-MM-DD"
done
pass "desktop-file-validate, appstreamcli validate, manual pages"

# --- systemd units ---------------------------------------------------------------------------------
# Each unit as the package ships it, with its programs taken from the unpacked package (no
# /usr/bin/zelctl is installed here) and its manual pages from there too. No unit names a User=:
# the timers are user units (systemctl --user) and the training emulator has a DynamicUser, so
# nothing has to exist on the machine that verifies them.
verify=$tmp/units
mkdir -p "$verify/user" "$verify/system" "$tmp/runtime"
chmod 0700 "$tmp/runtime"
for unit in "$unpacked$units"/*; do
  sed "s|/usr/bin/|$bin/|g" "$unit" >"$verify/user/$(basename "$unit")"
done
sed "s|/usr/bin/|$bin/|g" "$unpacked$doc/examples/zelclockd-training.service" >"$verify/system/zelclockd-training.service"
grep -l '^User=' "$verify"/*/* && fail "a unit names a User= that the package does not make"
before=$failures
for unit in "$verify"/user/*; do
  out=$(cd "$verify/user" && MANPATH=$unpacked/usr/share/man XDG_RUNTIME_DIR=$tmp/runtime \
    systemd-analyze --user verify "$(basename "$unit")" 2>&1) && [ -z "$out" ] ||
    fail "systemd-analyze --user verify $(basename "$unit"): $out"
done
out=$(cd "$verify/system" && MANPATH=$unpacked/usr/share/man systemd-analyze verify zelclockd-training.service 2>&1) &&
  [ -z "$out" ] || fail "systemd-analyze verify zelclockd-training.service: $out"
[ "$failures" != "$before" ] || pass "systemd-analyze verify: $(ls "$verify"/*/* | wc -l) units"

# The nightly events unit's commands, as systemd would run them (specifiers and $$ undone), in a
# home folder of their own with a site that has no clocks: the collection fails (status 2), the
# export of yesterday is written all the same (mode 0600), and the unit ends with the collection's
# status.
home=$tmp/home
mkdir -p "$home"
run "$bin/zelmkdb" "$home/zel.mdb" >/dev/null
service=$verify/user/zel-events.service
commands=$(sed -e ':a' -e '/\\$/N; s/\\\n//; ta' "$service" | sed -n 's/^\(ExecStartPre\|ExecStart\)=//p' |
  sed -e "s|%h|$home|g" -e 's/%%/%/g' -e 's/\$\$/$/g')
environment=$(sed -n 's/^Environment=//p' "$service" | sed "s|%h|$home|g")
status=0
# shellcheck disable=SC2086 # one NAME=VALUE a word
(umask 0077 && cd "$home" && export $environment &&
  while read -r command; do eval "run $command" || exit $?; done <<<"$commands") >"$tmp/events.log" 2>&1 || status=$?
export_file=$home/zel-events/events-$(date -d '12:00 yesterday' +%F).csv
if [ "$status" = 2 ] && [ "$(stat -c %a "$export_file" 2>/dev/null)" = 600 ] &&
  head -n 1 "$export_file" | grep -q '^time,clock,'; then
  pass "zel-events.service writes $(basename "$export_file") (mode 0600) also when the collection fails, and fails with it"
else
  fail "zel-events.service: status $status (2 expected), export: $(ls -l "$export_file" 2>&1); $(cat "$tmp/events.log")"
fi

lintian --tag-display-limit 0 -I "$deb" >"$tmp/lintian.log" 2>/dev/null || true
grep -E '^(E|W): ' "$tmp/lintian.log" | sed 's/^/lintian /' || true
if grep -q '^E: ' "$tmp/lintian.log"; then
  fail "lintian reports errors"
else
  pass "lintian: no errors, $(grep -c '^W: ' "$tmp/lintian.log") warning(s), $(grep -c '^I: ' "$tmp/lintian.log") note(s)"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures package check(s) failed" >&2
  exit 1
fi
echo "package checks passed"
