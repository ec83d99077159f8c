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
side_pids=()
tunaro_start_session
trap 'kill "${side_pids[@]}" 2>/dev/null; tunaro_wine_kill "$PREFIX"; tunaro_stop_session' EXIT
"$TUNARO_ROOT/scripts/make-prefix.sh" "$PREFIX" --card "${TUNARO_TEST_CARD:-SAA7134}" || die "could not make the test prefix"

# One wine server for the whole run, so each test program starts quickly.
tunaro_wine_env "$PREFIX"
"$TUNARO_WINESERVER" -p
export TUNARO_PREFIX=$PREFIX
export TUNARO_TEST_LOGS=$TUNARO_BUILD/test-logs
rm -rf "$TUNARO_TEST_LOGS"

# The naming check and the fuzzing need neither Wine nor a window: they run beside the tests, on
# the core the serial end-to-end tests leave idle, at the lowest priority so that the tests'
# real-time waits are never starved. Their output is shown once the tests are done. A run of
# some tests only (extra arguments) leaves them out (TUNARO_NAMING=1 keeps the naming check);
# scripts/check-naming.sh and scripts/fuzz.sh run them alone.
side=$TUNARO_BUILD/side-checks
rm -rf "$side"
mkdir -p "$side"
side_jobs=()
if [ $# -eq 0 ] || [ "${TUNARO_NAMING:-0}" = 1 ]; then
  ( nice -n 19 "$TUNARO_ROOT/scripts/check-naming.sh" >"$side/naming.log" 2>&1; echo $? >"$side/naming.rc" ) &
  side_jobs+=(naming) side_pids+=($!)
fi
if [ $# -eq 0 ] && [ "${TUNARO_FUZZ_SECONDS:-12}" != 0 ]; then
  ( nice -n 19 "$TUNARO_ROOT/scripts/fuzz.sh" --seconds "${TUNARO_FUZZ_SECONDS:-12}" >"$side/fuzz.log" 2>&1
    echo $? >"$side/fuzz.rc" ) &
  side_jobs+=(fuzz) side_pids+=($!)
fi

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

# The naming convention (CONTRIBUTING.md, clang-tidy over the x64 tree's compile database) and
# each fuzz target for a short, bounded time, seeds and earlier findings first.
[ ${#side_pids[@]} -eq 0 ] || wait "${side_pids[@]}"
for job in "${side_jobs[@]}"; do
  log "$job (run beside the tests):"
  cat "$side/$job.log" >&2
  [ "$(cat "$side/$job.rc" 2>/dev/null)" = 0 ] || { log "$job failed"; rc=1; }
done

# A short soak of the TV program under a stream of commands, judged only on a clear leak of
# handles, GDI or USER objects or memory; scripts/soak.sh runs it longer by hand.
if [ $# -eq 0 ] && [ "${TUNARO_SOAK_MINUTES:-3}" != 0 ]; then
  log "soaking Tunaro for ${TUNARO_SOAK_MINUTES:-3} min"
  "$TUNARO_ROOT/scripts/soak.sh" --no-build --minutes "${TUNARO_SOAK_MINUTES:-3}" --interval 5 || rc=1
fi

log "total wall time: $(( $(date +%s) - t0 )) s"
exit $rc
