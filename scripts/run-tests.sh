#!/usr/bin/env bash
# Installs what is needed, builds the sanitizer configuration and runs the whole suite
# headless (Qt's offscreen platform, a private D-Bus session).
# Then the tests that use threads run again under ThreadSanitizer (build/tsan, only the libraries and
# test programs they need). JVL_TSAN=0 skips that stage; JVL_TSAN=only runs nothing else.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"

# The runtime, services and graphics headers also compile with clang (a few seconds).
if command -v clang++ >/dev/null; then
  for h in "$root"/kit/core/*.h "$root"/kit/foundation/*.h "$root"/kit/graphics/*.h; do
    printf '#include "%s"\n' "$h"
  done | clang++ -std=c++20 -fsyntax-only -fPIC -Wall -Wextra -Werror -I"$root" \
    $(pkg-config --cflags Qt6Core Qt6Gui Qt6Widgets) -x c++ -
fi

build=${JVL_TEST_BUILD_DIR:-$root/build/asan}
jobs=$(nproc)
export CCACHE_DIR=${CCACHE_DIR:-$root/build/ccache}
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime

run_tsan() {
  local build=$root/build/tsan
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g1 -fsanitize=thread" \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread \
    -DJVL_BUILD_TESTS=ON -DJVL_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" -j "$jobs" --target kit_tests KSSpinningProgressIndicator_tests
  local threaded='Clock*:*ClockDeadline*:OperationQueueTest.*:CacheTest.*:ObjectLifetime.*:Object.WeakLock*'
  threaded+=':NotificationCenterTest.*:KeyValueObserving.*:RunLoopTest.*:PerformCancelTest.*:ViewDisplayFromAThread.*'
  threaded+=':GraphicsContext.CurrentContextIsPerThread*:Image.DrawsOnWorkerThreads*:PDFPage.Worker*'
  (
    export QT_QPA_PLATFORM=offscreen
    export TSAN_OPTIONS=${TSAN_OPTIONS:-suppressions=$root/scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1}
    dbus-run-session -- "$build/kit/kit_tests" --gtest_color=no --gtest_brief=1 --gtest_filter="$threaded"
    dbus-run-session -- "$build/KSSpinningProgressIndicator/KSSpinningProgressIndicator_tests" --gtest_color=no \
      --gtest_brief=1 --gtest_filter='*Thread*'
  )
}

if [ "${JVL_TSAN:-1}" = only ]; then
  run_tsan
  exit
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g1" \
  -DJVL_SANITIZE=ON -DJVL_BUILD_TESTS=ON -DJVL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$jobs"

(
  export QT_QPA_PLATFORM=offscreen
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  cd "$build"
  dbus-run-session -- ctest --output-on-failure -j "$jobs" "$@"
)

if [ "${JVL_TSAN:-1}" != 0 ]; then
  run_tsan
fi
