#!/usr/bin/env bash
# Installs what is needed, builds the sanitizer configuration and runs the whole suite
# headless (Qt's offscreen platform, a private D-Bus session).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"

build=${JVL_TEST_BUILD_DIR:-$root/build/asan}
jobs=$(nproc)
export CCACHE_DIR=${CCACHE_DIR:-$root/build/ccache}
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g1" \
  -DJVL_SANITIZE=ON -DJVL_BUILD_TESTS=ON -DJVL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
exec dbus-run-session -- ctest --output-on-failure -j "$jobs" "$@"
