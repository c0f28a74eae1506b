#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/check-layout.pl # the README's folder table and docs/architecture.md against the tree
jobs=$(nproc)
# Line tables only (-g1): backtraces keep file and line, and the build takes a fifth less time.
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_WERROR=ON \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" >/dev/null
cmake --build build/test -j "$jobs"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/test --output-on-failure -j "$jobs" "$@"
# The Debian package made from this build, unpacked and run from a temporary root.
packaging/test-package.sh build/test
if [ -x scripts/test-sanitized.sh ]; then
  scripts/test-sanitized.sh
fi
