#!/usr/bin/env bash
# Builds the clock wire protocol tests (the frame decoder's fuzzing among them) with
# AddressSanitizer and UndefinedBehaviorSanitizer, and the clock workflows tests (the channel
# groups that run side by side on worker threads, emulated clocks on several lines at once) with
# ThreadSanitizer, and runs them. Called by test.sh when present.
set -euo pipefail
cd "$(dirname "$0")/.."
# -O1 and line tables: what the sanitizers need for readable reports, at less build time.
flags=("-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
build=${ZEL_ASAN_BUILD_DIR:-build/asan}
targets=(test_clocklink)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_WERROR=ON \
  -DZEL_SANITIZE=ON -DZEL_BUILD_GUI=OFF -DZEL_BUILD_BENCH=OFF "${flags[@]}" >/dev/null
cmake --build "$build" --target "${targets[@]}" -j "$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
for t in "${targets[@]}"; do
  echo "== $t (address, undefined)"
  "$build/bin/$t" --gtest_brief=1
done

tsan=${ZEL_TSAN_BUILD_DIR:-build/tsan}
threaded=(test_workflows test_user_transmission)
cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_WERROR=ON \
  -DZEL_SANITIZE_THREADS=ON -DZEL_BUILD_GUI=OFF -DZEL_BUILD_BENCH=OFF "${flags[@]}" >/dev/null
cmake --build "$tsan" --target "${threaded[@]}" zeldll32 -j "$(nproc)"
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
for t in "${threaded[@]}"; do
  echo "== $t (thread)"
  ZEL_VENDOR_LIBRARY="$PWD/$tsan/bin/libzeldll32.so" "$tsan/bin/$t" --gtest_brief=1
done
