#!/usr/bin/env bash
# Sync over long recordings: records each format with picture and sound from the simulated card
# (tests/engine/record_bench, the engine as Tunaro drives it, previewing while it records) with
# the card's sound clock off by each given number of parts per million and its sync marks on,
# then measures the sound's offset from the picture at every mark (tests/support/avsync.py) and
# prints one line per recording: first, last and largest offset, drift per hour, pictures dropped.
# Run by hand; takes minutes x formats x clocks (60 x 6 x 3 by default: 18 hours).
#   scripts/sync.sh                                    60 minutes, all six formats, -200 0 +200 ppm
#   scripts/sync.sh --minutes 2 --ppm 2000 --formats "dvd wmv"
#   scripts/sync.sh --no-build ...                     use the trees as they are
# The recordings are deleted once measured (an uncompressed hour is about 18 GB) unless --keep;
# the logs and the table stay in build/sync/.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh"
log "sync of the build: $TUNARO_LANE_TEXT"

minutes=60
ppms="-200 0 200"
formats="dvd vcd svcd mpeg4 avi wmv"
build=1
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes=$2; shift 2 ;;
    --ppm) ppms=$2; shift 2 ;;
    --formats) formats=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --no-build) build=0; shift ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) die "unknown argument '$1' (see --help)" ;;
  esac
done
[[ $minutes =~ ^[0-9]+$ ]] && [ "$minutes" -gt 0 ] || die "--minutes takes a whole number of minutes"
for p in $ppms; do
  [[ $p =~ ^[-+]?[0-9]+$ ]] || die "--ppm takes whole numbers (parts per million), not '$p'"
done

if [ $build = 1 ]; then
  tunaro_install
  tunaro_build_lane
fi
BIN=$TUNARO_BUILD/bin
[ -f "$BIN/record_bench.exe" ] || die "record_bench is not built in $BIN"
OUT=$TUNARO_ROOT/build/sync
mkdir -p "$OUT"
tunaro_fresh_prefix sync "$OUT"
ini=$(find "$PREFIX/drive_c/windows" -maxdepth 2 -iname simcard.ini | head -1)
[ -n "$ini" ] || die "the prefix has no simcard.ini"
folder=$PREFIX/drive_c/sync
mkdir -p "$folder"

# Sets one key of the card's [Config] section (the file keeps its line endings).
set_config() {
  python3 - "$ini" "$1" "$2" <<'PY'
import re, sys
path, key, value = sys.argv[1:]
text = open(path, newline="").read()
eol = "\r\n" if "\r\n" in text else "\n"
lines = [l for l in text.split(eol) if not re.match(re.escape(key) + r"\s*=", l)]
at = next(i for i, l in enumerate(lines) if l.strip().lower() == "[config]")
lines.insert(at + 1, f"{key}={value}")
open(path, "w", newline="").write(eol.join(lines))
PY
}

table=$OUT/table.txt
printf '%-6s %6s %8s %10s %10s %10s %12s %8s\n' format ppm minutes first_ms last_ms largest_ms drift_ms_h dropped | tee "$table"
for ppm in $ppms; do
  set_config SoundClockPpm "$ppm"
  set_config SyncMarks 1
  for format in $formats; do
    logf=$OUT/$format$ppm.log
    log "sync: $format at $ppm ppm for $minutes min"
    "$TUNARO_WINE" "$BIN/record_bench.exe" $((minutes * 60)) 'C:\sync' keep 49750000 "$format" >"$logf" 2>&1
    file=$(ls "$folder"/record_bench.* 2>/dev/null | head -1)
    dropped=$(sed -n 's/.*delivered, \([0-9]*\) dropped.*/\1/p' "$logf" | head -1)
    if [ -n "$file" ] && python3 "$TUNARO_ROOT/tests/support/avsync.py" "$file" --json >"$OUT/$format$ppm.json" 2>&1; then
      python3 - "$OUT/$format$ppm.json" "$format" "$ppm" "$minutes" "${dropped:-?}" <<'PY' | tee -a "$table"
import json, sys
r = json.load(open(sys.argv[1]))["summary"]
f, ppm, minutes, dropped = sys.argv[2:]
print(f"{f:<6} {ppm:>6} {minutes:>8} {r['first_ms']:>10.1f} {r['last_ms']:>10.1f} {r['largest_ms']:>10.1f} "
      f"{r['drift_ms_per_hour']:>12.0f} {dropped:>8}")
PY
    else
      printf '%-6s %6s %8s  not measured (see %s)\n' "$format" "$ppm" "$minutes" "$logf" | tee -a "$table"
    fi
    [ $keep = 1 ] && [ -n "$file" ] && mv "$file" "$OUT/$format$ppm.${file##*.}"
    rm -f "$folder"/record_bench.*
  done
done
log "sync: the table is in $table"
