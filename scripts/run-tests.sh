#!/usr/bin/env bash
# Installs what is needed, builds the sanitizer configuration and runs the whole suite
# headless (Qt's offscreen platform, a private D-Bus session).
# Then the tests that use threads run again under ThreadSanitizer (build/tsan, only the libraries and
# the threaded test program). JVL_TSAN=0 skips that stage; JVL_TSAN=only runs nothing else.
# Arguments go to ctest. A summary of each stage's wall time closes the log, pass or fail.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/build-env.sh"

stage_names=()
stage_secs=()
stage() {
  local name=$1
  shift
  local start=$SECONDS rc=0
  "$@" || rc=$?
  [ $rc -eq 0 ] || name+=" (failed)"
  stage_names+=("$name")
  stage_secs+=($((SECONDS - start)))
  return $rc
}
summary() {
  local rc=$?
  echo
  echo "== stage times (wall) =="
  local i
  for i in "${!stage_names[@]}"; do
    printf '%-22s %4d s\n' "${stage_names[$i]}" "${stage_secs[$i]}"
  done
  printf '%-22s %4d s\n' total "$SECONDS"
  command -v ccache >/dev/null && ccache --print-stats 2>/dev/null |
    awk -F'\t' '$1=="direct_cache_hit"||$1=="preprocessed_cache_hit"||$1=="cache_miss"{printf "ccache %s %s\n",$1,$2}'
  return $rc
}
trap summary EXIT

stage dependencies bash "$root/scripts/install-deps.sh"
command -v ccache >/dev/null && ccache --zero-stats >/dev/null

# The suite builds with clang; the runtime, services and graphics headers also compile with GCC, which
# the gallery's and the benchmarks' optimised builds use (a few seconds).
header_check() {
  command -v g++ >/dev/null || return 0
  for h in "$root"/kit/core/*.h "$root"/kit/foundation/*.h "$root"/kit/graphics/*.h; do
    printf '#include "%s"\n' "$h"
  done | g++ -std=c++20 -fsyntax-only -fPIC -Wall -Wextra -Werror -I"$root" \
    $(pkg-config --cflags Qt6Core Qt6Gui Qt6Widgets) -x c++ -
}

build=${JVL_TEST_BUILD_DIR:-$root/build/asan}
jobs=$(nproc)

run_suite() (
  export QT_QPA_PLATFORM=offscreen
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
  # Thread-local storage is not scanned: the leak checker's walk of dynamically loaded modules' TLS
  # reads stale entries under this C library and crashes now and then. Without it the check only gets
  # stricter (a block held by TLS alone would be reported), and the loader's one such block is listed.
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0:use_tls=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  cd "$build"
  dbus-run-session -- ctest --output-on-failure -j "$jobs" "$@"
)

tsan_build=$root/build/tsan
tsan_configure() {
  cmake -S "$root" -B "$tsan_build" "${jvl_tsan_cmake_args[@]}" >/dev/null
}
tsan_build_targets() {
  cmake --build "$tsan_build" -j "$jobs" --target kit_thread_tests KSSpinningProgressIndicator_tests JVLAppKit_thread_tests QVFlowView_thread_tests
}
tsan_suite() (
  export QT_QPA_PLATFORM=offscreen
  export TSAN_OPTIONS=${TSAN_OPTIONS:-suppressions=$root/scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1}
  dbus-run-session -- "$tsan_build/kit/kit_thread_tests" --gtest_color=no --gtest_brief=1
  dbus-run-session -- "$tsan_build/KSSpinningProgressIndicator/KSSpinningProgressIndicator_tests" --gtest_color=no \
    --gtest_brief=1 --gtest_filter='*Thread*'
  # The progress window's workers and notifications, and sounds finishing on the player's thread.
  dbus-run-session -- "$tsan_build/JVLAppKit/JVLAppKit_thread_tests" --gtest_color=no --gtest_brief=1 \
    --gtest_filter='ProgressWindowTest.ModalRun*:ProgressWindowTest.Cancel*:ProgressWindowTest.APlainWindow*:ProgressWindowTest.Destroying*:SoundManagerTest.TheLibrarys*:CoverFlowThreads.*'
  # The flow view's image queue: workers making pictures while the main thread reloads and cancels.
  dbus-run-session -- "$tsan_build/QVFlowView/QVFlowView_thread_tests" --gtest_color=no --gtest_brief=1 \
    --gtest_filter='FlowViewLayout.Renders*:FlowViewLayout.ACached*:FlowViewLayout.PreviewScale*:FlowViewLayout.AResult*:FlowViewLayout.Cancellation*:FlowViewLayout.ASmallCost*:FlowViewLayout.APictureBeingMade*'
)
run_tsan() {
  stage "tsan configure" tsan_configure
  stage "tsan build" tsan_build_targets
  stage "tsan suite" tsan_suite
}

if [ "${JVL_TSAN:-1}" = only ]; then
  run_tsan
  exit
fi

stage "header check" header_check
stage "asan configure" cmake -S "$root" -B "$build" "${jvl_asan_cmake_args[@]}"
stage "asan build" cmake --build "$build" -j "$jobs"
stage "asan suite" run_suite "$@"

if [ "${JVL_TSAN:-1}" != 0 ]; then
  run_tsan
fi
