#!/usr/bin/env bash
# Runs every test of the suite: installs what is missing, builds both trees, makes fresh test
# prefixes, runs the unit and end-to-end tests under Wine (each prefix with a private X display
# and sound server), prints the lane and the time of each phase and exits non-zero on any failure.
# Extra arguments go to ctest (for example: scripts/test.sh -R smoke).
set -uo pipefail
source "$(dirname "$0")/lib/common.sh"
t0=$(date +%s)
log "tested build: $TUNARO_LANE_TEXT"

tunaro_phase apt
tunaro_install
# The lane's tree only: the other tree and the fuzz targets (a native build of their own, clang
# with sanitizers) are built beside the tests, below.
tunaro_build_lane
tunaro_phase prefix

# The test prefixes: each a Windows of its own with the suite installed, its own wine server, X
# display and sound server, holding one test at a time (a CTest resource, so tests of different
# prefixes run side by side). TUNARO_TEST_PREFIXES sets how many (2 by default: one per core).
prefixes=${TUNARO_TEST_PREFIXES:-2}
[[ $prefixes =~ ^[1-9][0-9]*$ ]] || die "TUNARO_TEST_PREFIXES takes a whole number from 1"
export TUNARO_TEST_PREFIXES_DIR=$TUNARO_BUILD/test-prefixes
rm -rf "$TUNARO_TEST_PREFIXES_DIR"
mkdir -p "$TUNARO_TEST_PREFIXES_DIR"
side_pids=()
test_prefixes=()
trap 'kill "${side_pids[@]}" 2>/dev/null; for p in "${test_prefixes[@]}"; do tunaro_wine_kill "$p"; done; tunaro_stop_session' EXIT
make_pids=()
for ((i = 0; i < prefixes; i++)); do
  PREFIX=$TUNARO_BUILD/prefix/test-$i
  test_prefixes+=("$PREFIX")
  tunaro_start_session "prefix$i"
  printf 'export TUNARO_PREFIX=%q DISPLAY=%q PULSE_SERVER=%q XDG_RUNTIME_DIR=%q\n' \
    "$PREFIX" "$DISPLAY" "$PULSE_SERVER" "$XDG_RUNTIME_DIR" >"$TUNARO_TEST_PREFIXES_DIR/$i.env"
  "$TUNARO_ROOT/scripts/make-prefix.sh" "$PREFIX" --card "${TUNARO_TEST_CARD:-SAA7134}" \
    >"$TUNARO_TEST_PREFIXES_DIR/$i.log" 2>&1 &
  make_pids+=($!)
done
for ((i = 0; i < prefixes; i++)); do
  wait "${make_pids[$i]}" || { cat "$TUNARO_TEST_PREFIXES_DIR/$i.log" >&2; die "could not make test prefix $i"; }
  cat "$TUNARO_TEST_PREFIXES_DIR/$i.log" >&2
done
spec=$TUNARO_TEST_PREFIXES_DIR/resources.json
{
  printf '{"version": {"major": 1, "minor": 0}, "local": [{"prefix": ['
  for ((i = 0; i < prefixes; i++)); do
    printf '%s{"id": "%d", "slots": 1}' "$([ $i = 0 ] || echo ', ')" "$i"
  done
  printf ']}]}\n'
} >"$spec"

# One wine server for each prefix for the whole run, so each test program starts quickly. The
# first prefix and its session stay in this shell's environment, for the soak and the tests run
# outside the resource.
for ((i = 0; i < prefixes; i++)); do
  (source "$TUNARO_TEST_PREFIXES_DIR/$i.env"; tunaro_wine_env "$TUNARO_PREFIX"; "$TUNARO_WINESERVER" -p)
done
source "$TUNARO_TEST_PREFIXES_DIR/0.env"
PREFIX=$TUNARO_PREFIX
tunaro_wine_env "$PREFIX"
export TUNARO_TEST_LOGS=$TUNARO_BUILD/test-logs
rm -rf "$TUNARO_TEST_LOGS"

# The other tree's build, the naming check and the fuzzing need neither Wine nor a window: they
# run beside the tests, on what the tests leave idle, at the lowest priority so that the tests'
# real-time waits are never starved, one after the other so that they take one core at most.
# Their output is shown once the tests are done. A run of some tests only (extra arguments)
# leaves out the fuzzing and the other tree (TUNARO_NAMING=1 keeps the naming check);
# scripts/check-naming.sh and scripts/fuzz.sh run them alone.
side=$TUNARO_BUILD/side-checks
rm -rf "$side"
mkdir -p "$side"
side_jobs=()
run_side() { # NAME COMMAND...: runs COMMAND, keeping its output and exit code for the report
  local name=$1
  shift
  side_jobs+=("$name")
  ("$@") >"$side/$name.log" 2>&1
  echo $? >"$side/$name.rc"
}
side_all=0
[ $# -eq 0 ] && side_all=1
(
  renice -n 19 -p $BASHPID >/dev/null
  if [ $side_all = 1 ]; then
    run_side "$TUNARO_OTHER_ARCH tree" tunaro_build_other
  fi
  if [ $side_all = 1 ] || [ "${TUNARO_NAMING:-0}" = 1 ]; then
    run_side naming "$TUNARO_ROOT/scripts/check-naming.sh"
  fi
  if [ $side_all = 1 ] && [ "${TUNARO_FUZZ_SECONDS:-12}" != 0 ]; then
    run_side fuzz "$TUNARO_ROOT/scripts/fuzz.sh" --seconds "${TUNARO_FUZZ_SECONDS:-12}" # builds first
  fi
  # One line per job; an empty file when there was none.
  : >"$side/jobs"
  [ ${#side_jobs[@]} -eq 0 ] || printf '%s\n' "${side_jobs[@]}" >"$side/jobs"
) &
side_pids+=($!)

run_ctest() { # CTEST-ARGS...: runs the tests; on failure shows the end of what killed tests printed
  local rc=0 failed=$TUNARO_BUILD/Testing/Temporary/LastTestsFailed.log
  ctest --test-dir "$TUNARO_BUILD" --output-on-failure --no-tests=error -j"$(nproc)" \
    --resource-spec-file "$spec" "$@" || rc=$?
  # CTest shows nothing of a test it killed at its time-out: show the end of what it printed.
  if [ $rc -ne 0 ] && [ -f "$failed" ]; then
    grep -o '[^:]*$' "$failed" | while read -r name; do
      if [ -f "$TUNARO_TEST_LOGS/$name.log" ]; then
        log "the last lines $name printed:"
        tail -40 "$TUNARO_TEST_LOGS/$name.log"
      fi
    done
  fi
  return $rc
}

# The tests that inspect the i686 product tree when the lane is the twin (label product_tree)
# wait for that tree, which is built beside the others.
later=()
[ $side_all = 1 ] && [ "$TUNARO_ARCH" != i686 ] && later=(-LE product_tree)

tunaro_phase ctest
log "running the tests"
rc=0
run_ctest "${later[@]}" "$@" || rc=1

# The naming convention (CONTRIBUTING.md, clang-tidy over the x64 tree's compile database) and
# each fuzz target for a short, bounded time, seeds and earlier findings first.
tunaro_phase "side checks"
wait "${side_pids[@]}"
[ -f "$side/jobs" ] || { log "the work beside the tests ended early"; rc=1; }
while read -r job; do
  log "$job (run beside the tests):"
  cat "$side/$job.log" >&2
  [ "$(cat "$side/$job.rc" 2>/dev/null)" = 0 ] || { log "$job failed"; rc=1; }
done < <(cat "$side/jobs" 2>/dev/null)
if [ ${#later[@]} -gt 0 ]; then
  tunaro_phase "product tree tests"
  log "running the tests of the $TUNARO_OTHER_ARCH product tree"
  run_ctest -L product_tree || rc=1
fi

# A short soak of the TV program under a stream of commands, judged only on a clear leak of
# handles, GDI or USER objects or memory; scripts/soak.sh runs it longer by hand.
if [ $# -eq 0 ] && [ "${TUNARO_SOAK_MINUTES:-3}" != 0 ]; then
  tunaro_phase soak
  log "soaking Tunaro for ${TUNARO_SOAK_MINUTES:-3} min"
  "$TUNARO_ROOT/scripts/soak.sh" --no-build --minutes "${TUNARO_SOAK_MINUTES:-3}" --interval 5 || rc=1
fi

tunaro_phases
log "tested build: $TUNARO_LANE_TEXT"
log "total wall time: $(( $(date +%s) - t0 )) s"
exit $rc
