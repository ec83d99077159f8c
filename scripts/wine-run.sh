#!/usr/bin/env bash
# Runs a Windows program under Wine in the test prefix (CTest's emulator for every test).
# TUNARO_PREFIX names the prefix; by default prefix/test in the lane's tree, which test.sh makes.
# Output goes through a file: Wine's own background processes (the desktop, services) inherit
# the first program's standard handles and would otherwise keep CTest's pipe open forever.
source "$(dirname "$0")/lib/common.sh"
# Under scripts/test.sh the test prefixes are a CTest resource: the test runs in the prefix CTest
# gave it, with that prefix's X display and sound server.
if [ -n "${CTEST_RESOURCE_GROUP_0_PREFIX:-}" ] && [ -n "${TUNARO_TEST_PREFIXES_DIR:-}" ]; then
  slot=${CTEST_RESOURCE_GROUP_0_PREFIX#id:}
  slot=${slot%%,*}
  # shellcheck source=/dev/null
  source "$TUNARO_TEST_PREFIXES_DIR/$slot.env" || { echo "wine-run: no test prefix $slot" >&2; exit 127; }
fi
# A test of a machine without a sound device gets a sound server out of reach.
[ "${TUNARO_EXPECT_NO_SOUND:-0}" != 1 ] || export PULSE_SERVER=unix:/nonexistent/tunaro-no-sound
tunaro_wine_env "${TUNARO_PREFIX:-$TUNARO_BUILD/prefix/test}"
[ -d "$WINEPREFIX/drive_c" ] || { echo "wine-run: no prefix at $WINEPREFIX (scripts/make-prefix.sh makes one)" >&2; exit 127; }
# Under scripts/test.sh (TUNARO_TEST_LOGS set) the output stays in a log named after the
# program, so a test that CTest kills at its time-out still leaves what it printed so far.
if [ -n "${TUNARO_TEST_LOGS:-}" ]; then
  mkdir -p "$TUNARO_TEST_LOGS"
  out=$TUNARO_TEST_LOGS/$(basename "$1" .exe).log
else
  out=$(mktemp)
  trap 'rm -f "$out"' EXIT
fi
"$TUNARO_WINE" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
# A program that crashed is a failure, whatever exit code the debugger left behind it.
if [ $rc = 0 ] && grep -q -e '^wine: Unhandled' -e '^Unhandled exception:' "$out"; then
  echo "wine-run: the program crashed (see the backtrace above)" >&2
  rc=1
fi
exit $rc
