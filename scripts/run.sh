#!/usr/bin/env bash
# Runs one test, or one program, by hand under a prefix with a private X display and sound
# server (use an existing display with TUNARO_USE_DISPLAY=1).
#   scripts/run.sh ctest -R smoke            ctest in the lane's tree against the test prefix
#   scripts/run.sh PROGRAM.exe [ARGS...]     a Windows program (Linux or Windows path)
#   TUNARO_PREFIX=DIR scripts/run.sh ...     another prefix (default prefix/test of the lane's tree,
#                                            made by make-prefix.sh when missing)
set -uo pipefail
source "$(dirname "$0")/lib/common.sh"
[ $# -ge 1 ] || { sed -n '3,8p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
log "build: $TUNARO_LANE_TEXT"
PREFIX=${TUNARO_PREFIX:-$TUNARO_BUILD/prefix/test}
[ -d "$PREFIX/drive_c" ] || "$TUNARO_ROOT/scripts/make-prefix.sh" "$PREFIX" || exit 1
if [ "${TUNARO_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
  trap 'tunaro_wine_kill "$PREFIX"' EXIT
else
  tunaro_start_session
  trap 'tunaro_wine_kill "$PREFIX"; tunaro_stop_session' EXIT
fi
tunaro_wine_env "$PREFIX"
export TUNARO_PREFIX=$PREFIX
"$TUNARO_WINESERVER" -p
if [ "$1" = ctest ]; then
  shift
  ctest --test-dir "$TUNARO_BUILD" --output-on-failure "$@"
else
  "$TUNARO_WINE" "$@"
fi
