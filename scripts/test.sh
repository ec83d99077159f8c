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

PREFIX=$TUNARO_BUILD/prefix/test
tunaro_start_session
trap 'tunaro_wine_kill "$PREFIX"; tunaro_stop_session' EXIT
"$TUNARO_ROOT/scripts/make-prefix.sh" "$PREFIX" --card "${TUNARO_TEST_CARD:-SAA7134}" || die "could not make the test prefix"

# One wine server for the whole run, so each test program starts quickly.
tunaro_wine_env "$PREFIX"
"$TUNARO_WINESERVER" -p
export TUNARO_PREFIX=$PREFIX

log "running the tests"
ctest --test-dir "$TUNARO_BUILD" --output-on-failure --no-tests=error -j"$(nproc)" "$@"
rc=$?

log "total wall time: $(( $(date +%s) - t0 )) s"
exit $rc
