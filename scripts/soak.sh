#!/usr/bin/env bash
# Soak: the installed Tunaro on the simulated card, commanded without a pause by a peer
# (tests/soak/soak_driver: zapping, digits, picture keys, inputs, snapshots, the TV wall and
# scheduled recordings in every record format), while tests/soak/soak_sampler counts the
# program's handles, GDI and USER objects, windows and private memory every few seconds.
# Prints the figures at the start and end of the run and each one's slope, and fails on a clear
# leak only: a climb that goes on through the whole run and is far beyond the noise. Timing is
# never judged.
#   scripts/soak.sh                        30 minutes, a sample every 10 s
#   scripts/soak.sh --minutes 3 --interval 5     (scripts/test.sh runs this on a full run)
#   scripts/soak.sh --no-build ...         use the trees as they are
# The samples, the driver's log and the verdict stay in build/soak/.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh"
log "soaked build: $TUNARO_LANE_TEXT"

minutes=30
interval=10
build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes=$2; shift 2 ;;
    --interval) interval=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) die "unknown argument '$1' (see --help)" ;;
  esac
done
[[ $minutes =~ ^[0-9]+$ ]] && [ "$minutes" -gt 0 ] || die "--minutes takes a whole number of minutes"
seconds=$(( minutes * 60 ))

if [ $build = 1 ]; then
  tunaro_install
  tunaro_build
fi
BIN=$TUNARO_BUILD/bin
[ -f "$BIN/soak_driver.exe" ] && [ -f "$BIN/soak_sampler.exe" ] || die "the soak programs are not built in $BIN"
OUT=$TUNARO_ROOT/build/soak
mkdir -p "$OUT"
rm -f "$OUT"/samples.txt "$OUT"/driver.log "$OUT"/sampler.log "$OUT"/verdict.txt

tunaro_fresh_prefix soak "$OUT"

log "soak: ${minutes} min, a sample every ${interval} s (logs in $OUT)"
: >"$OUT/driver.log"
"$TUNARO_WINE" "$BIN/soak_driver.exe" "$seconds" >"$OUT/driver.log" 2>&1 &
driver=$!
pid=
for _ in $(seq 1 240); do
  pid=$(sed -n 's/^pid \([0-9]*\).*/\1/p' "$OUT/driver.log" | head -1)
  [ -n "$pid" ] && break
  kill -0 "$driver" 2>/dev/null || break
  sleep 0.5
done
if [ -z "$pid" ]; then
  wait "$driver"
  cat "$OUT/driver.log" >&2
  die "the driver did not start Tunaro"
fi
# Tunaro's process on this host, for the memory figure Wine does not give (see the sampler).
host_pid=0
for p in $(pgrep -f 'Tunaro\.exe'); do
  if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$PREFIX"; then
    host_pid=$p
    break
  fi
done
"$TUNARO_WINE" "$BIN/soak_sampler.exe" "$pid" "$interval" "$(( seconds + 60 ))" "$host_pid" \
  >"$OUT/samples.txt" 2>"$OUT/sampler.log"
wait "$driver"
driver_rc=$?
grep -E '^(summary|recordings by format|message box|FAILED)' "$OUT/driver.log" >&2

python3 - "$OUT/samples.txt" "$minutes" >"$OUT/verdict.txt" <<'PY'
import sys

path, minutes = sys.argv[1], float(sys.argv[2])
rows = [l.split() for l in open(path) if l.strip()]
names, rows = rows[0], [[float(x) for x in r] for r in rows[1:] if len(r) == len(rows[0])]
if len(rows) < 8:
    print("too few samples (%d) to judge" % len(rows))
    sys.exit(2)

# The first fifth of the run (at least a minute) fills caches, pools and the engine's buffers;
# the judgement starts after it.
warm = max(60.0, rows[-1][0] / 5)
judged = [r for r in rows if r[0] >= warm]
if len(judged) < 8:
    judged = rows[len(rows) // 2:]

def slope_per_hour(t, y):
    n = len(t)
    mt, my = sum(t) / n, sum(y) / n
    den = sum((a - mt) ** 2 for a in t)
    return 0.0 if den == 0 else 3600.0 * sum((a - mt) * (b - my) for a, b in zip(t, y)) / den

def median(v):
    v = sorted(v)
    return v[len(v) // 2]

# A clear leak: each quarter of the judged run sits higher than the one before, and the rise
# from the first quarter to the last is many times the first quarter's own spread and above a
# floor no honest cache reaches.
floors = {"handles": 50, "gdi": 50, "user": 50, "windows": 25, "private_kb": 24 * 1024, "working_set_kb": 1e12}
print("%-15s %10s %10s %10s %10s %14s  %s" % ("figure", "start", "end", "min", "max", "slope per hour", "verdict"))
leaks = []
t = [r[0] for r in judged]
for i, name in enumerate(names[1:], start=1):
    y = [r[i] for r in judged]
    if min(r[i] for r in rows) < 0:
        print("%-15s %10s %10s %10s %10s %14s  %s" % (name, "-", "-", "-", "-", "-", "not counted by this system"))
        continue
    q = max(2, len(y) // 4)
    quarters = [y[k * q:(k + 1) * q] for k in range(4) if y[k * q:(k + 1) * q]]
    meds = [median(x) for x in quarters]
    rise = meds[-1] - meds[0]
    spread = max(quarters[0]) - min(quarters[0])
    climbing = all(b > a for a, b in zip(meds, meds[1:]))
    leak = climbing and rise > max(floors.get(name, 50), 4 * spread)
    if leak:
        leaks.append(name)
    all_y = [r[i] for r in rows]
    print("%-15s %10.0f %10.0f %10.0f %10.0f %14.1f  %s" % (name, rows[0][i], rows[-1][i], min(all_y), max(all_y),
          slope_per_hour(t, y), "LEAK" if leak else "ok"))
print("samples: %d over %.0f s (judged from %.0f s)" % (len(rows), rows[-1][0], warm))
print("verdict: " + ("clear leak in " + ", ".join(leaks) if leaks else "no clear leak"))
sys.exit(1 if leaks else 0)
PY
verdict_rc=$?
cat "$OUT/verdict.txt" >&2
rc=0
[ $driver_rc -eq 0 ] || { log "the driver failed (exit code $driver_rc; see $OUT/driver.log)"; rc=1; }
[ $verdict_rc -eq 0 ] || rc=1
exit $rc
