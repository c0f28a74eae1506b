#!/usr/bin/env bash
# Builds the Debian package of ZEL Maintenance with CPack:
#
#   scripts/package.sh [BUILD_DIR]
#
# BUILD_DIR (default build/package) is configured when it is new (RelWithDebInfo, no tests, no
# benchmarks) and kept as it is otherwise; it is built, then packaged. The package lands in
# BUILD_DIR/package/ and its path is the last line printed. Install it with
#   sudo apt install ./BUILD_DIR/package/zel-maintenance_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

build=${1:-build/package}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZEL_BUILD_TESTS=OFF -DZEL_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)"

out=$build/package
rm -f "$out"/zel-maintenance_*.deb
log=$build/cpack.log
if ! (cd "$build" && cpack -G DEB) >"$log" 2>&1; then
  cat "$log" >&2
  echo "package.sh: cpack failed (log in $log)" >&2
  exit 1
fi
debs=("$out"/zel-maintenance_*.deb)
if [ ! -f "${debs[0]}" ]; then
  echo "package.sh: cpack made no package in $out (log in $log)" >&2
  exit 1
fi
echo "${debs[0]}"
