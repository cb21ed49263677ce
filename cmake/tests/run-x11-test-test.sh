#!/usr/bin/env bash
# What ctest is told for a display test: its status decides passed (0), skipped (77) or failed.
runner=$(dirname "$0")/../run-x11-test.sh
failures=0
expect() {
  local want=$1 what=$2; shift 2
  "$@" >/dev/null 2>&1
  local got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAILED: $what: status $got, expected $want"
    failures=$((failures + 1))
  fi
}
expect 77 "a missing tool outside CI skips" env -u CI bash "$runner" --missing xvfb-run
expect 1 "a missing tool in CI fails" env CI=true bash "$runner" --missing xvfb-run
expect 0 "a suite that ran everything passes" bash "$runner" sh -c 'echo "[  PASSED  ] 3 tests."'
expect 77 "a suite that skipped a test is skipped" bash "$runner" sh -c 'echo "[  SKIPPED ] 1 test, listed below:"'
expect 3 "a failure with a skip stays a failure" bash "$runner" sh -c 'echo "[  SKIPPED ] 1 test"; exit 3'
expect 77 "a program's own skip status passes through" bash "$runner" sh -c 'exit 77'
echo "$((6 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
