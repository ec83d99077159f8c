#!/usr/bin/env bash
# Runs every test of the suite: installs what is missing, builds both trees, makes a fresh
# test prefix, runs the unit and end-to-end tests under Wine with a private X display and
# sound server, prints the wall time and exits non-zero on any failure.
# Extra arguments go to ctest (for example: scripts/test.sh -R smoke).
set -uo pipefail
source "$(dirname "$0")/lib/common.sh"
t0=$(date +%s)

tunaro_install
tunaro_build
# The fuzz targets of the parsers are a native build of their own (clang with sanitizers).
"$TUNARO_ROOT/scripts/fuzz.sh" --build-only || exit 1

PREFIX=$TUNARO_BUILD/prefix/test
tunaro_start_session
trap 'tunaro_wine_kill "$PREFIX"; tunaro_stop_session' EXIT
"$TUNARO_ROOT/scripts/make-prefix.sh" "$PREFIX" --card "${TUNARO_TEST_CARD:-SAA7134}" || die "could not make the test prefix"

# One wine server for the whole run, so each test program starts quickly.
tunaro_wine_env "$PREFIX"
"$TUNARO_WINESERVER" -p
export TUNARO_PREFIX=$PREFIX
export TUNARO_TEST_LOGS=$TUNARO_BUILD/test-logs
rm -rf "$TUNARO_TEST_LOGS"

log "running the tests"
ctest --test-dir "$TUNARO_BUILD" --output-on-failure --no-tests=error -j"$(nproc)" "$@"
rc=$?
# CTest shows nothing of a test it killed at its time-out: show the end of what it printed.
failed=$TUNARO_BUILD/Testing/Temporary/LastTestsFailed.log
if [ $rc -ne 0 ] && [ -f "$failed" ]; then
  grep -o '[^:]*$' "$failed" | while read -r name; do
    if [ -f "$TUNARO_TEST_LOGS/$name.log" ]; then
      log "the last lines $name printed:"
      tail -40 "$TUNARO_TEST_LOGS/$name.log"
    fi
  done
fi

# The naming convention (CONTRIBUTING.md) over the folders scripts/check-naming.sh lists, with
# clang-tidy on the compile database of the x64 tree. A run of some tests only leaves it out
# (TUNARO_NAMING=1 keeps it); scripts/check-naming.sh runs it alone.
if [ $# -eq 0 ] || [ "${TUNARO_NAMING:-0}" = 1 ]; then
  "$TUNARO_ROOT/scripts/check-naming.sh" || rc=1
fi

# Each fuzz target for a short, bounded time after the tests (not beside them: the end-to-end
# tests wait for windows in real time), seeds and earlier findings first. A run of some tests
# only (extra arguments) leaves it out; scripts/fuzz.sh runs the targets longer by hand.
if [ $# -eq 0 ] && [ "${TUNARO_FUZZ_SECONDS:-12}" != 0 ]; then
  log "fuzzing each parser for ${TUNARO_FUZZ_SECONDS:-12} s"
  "$TUNARO_ROOT/scripts/fuzz.sh" --seconds "${TUNARO_FUZZ_SECONDS:-12}" || rc=1
fi

# A short soak of the TV program under a stream of commands, judged only on a clear leak of
# handles, GDI or USER objects or memory; scripts/soak.sh runs it longer by hand.
if [ $# -eq 0 ] && [ "${TUNARO_SOAK_MINUTES:-3}" != 0 ]; then
  log "soaking Tunaro for ${TUNARO_SOAK_MINUTES:-3} min"
  "$TUNARO_ROOT/scripts/soak.sh" --no-build --minutes "${TUNARO_SOAK_MINUTES:-3}" --interval 5 || rc=1
fi

log "total wall time: $(( $(date +%s) - t0 )) s"
exit $rc
