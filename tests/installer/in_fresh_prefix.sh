#!/usr/bin/env bash
# Runs a test program in a Wine prefix of its own that has no suite installed (the setup's
# tests install and uninstall there, away from the shared test prefix), then ends the prefix.
# Usage: in_fresh_prefix.sh PREFIX_DIR PROGRAM.exe [ARGS...]
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
[ $# -ge 2 ] || { echo "usage: $0 PREFIX_DIR PROGRAM.exe [ARGS...]" >&2; exit 2; }
dir=$1
shift
"$TUNARO_ROOT/scripts/make-prefix.sh" "$dir" --no-suite || exit 1
tunaro_wine_env "$dir"
trap 'tunaro_wine_kill "$dir"' EXIT
"$TUNARO_WINE" "$@"
