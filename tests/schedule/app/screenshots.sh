#!/usr/bin/env bash
# Pictures of the scheduler for docs/screenshots, in English and in Chinese mode: its window with
# a few tasks, the History view with runs of each kind, and the task wizard's first page. Needs a
# built tree with Schedule.exe and winctl.
#   tests/schedule/app/screenshots.sh   writes docs/screenshots/schedule_{window,history,wizard}_{en,zh}.png
set -uo pipefail
source "$(dirname "$0")/../../../scripts/lib/common.sh"
OUT=$TUNARO_ROOT/docs/screenshots
WINCTL=$TUNARO_BUILD/bin/winctl.exe
[ -f "$TUNARO_BUILD/bin/Schedule.exe" ] && [ -f "$WINCTL" ] || die "build the tree first"
mkdir -p "$OUT"

# Three tasks as the wizard would have made them (no automatic log-on, so its two enciphered
# fields stay unused): last night's news, recorded; a weekly film; tomorrow's match to watch.
task_file() { # FILE
  python3 - "$1" <<'PY'
import datetime, struct, sys, time
today = datetime.date.today()
def task(name, mode, fmt, day, hour, minute, duration, status, repeat=0, channel=0, after=2):
    head = struct.pack('<ihhBBBBiHBBBBBBii', int(time.time()), mode, fmt, 1, 0, after, repeat, channel,
                       day.year, day.month, day.day, (day.isoweekday() % 7) + 1, hour, minute, 0,
                       duration, status)
    text = lambda s: s.encode('ascii').ljust(260, b'\0')
    return head + text(name) + text('') + text('') + text('Record_0') + struct.pack('<i', 0)
one = datetime.timedelta(days=1)
records = [task('Evening news', 0, 0, today - one, 20, 0, 30, 2, channel=1),
           task('Weekly film', 0, 5, today + one, 21, 30, 120, 0, repeat=1 | (1 << 6), channel=2),
           task('Match', 1, 0, today + one, 19, 45, 105, 0, channel=0, after=3)]
for r in records:
    assert len(r) == 1076
open(sys.argv[1], 'wb').write(b''.join(records))
PY
}

# Runs of each kind, newest last: recorded, started late, cut short by a full disk, the TV
# program killed and the rest recorded, missed while the computer was off.
history_file() { # FILE
  python3 - "$1" <<'PY'
import datetime, sys
d = datetime.date.today() - datetime.timedelta(days=1)
def t(h, m, s=0): return '%s %02d:%02d:%02d' % (d.isoformat(), h, m, s)
z = '1970-01-01 00:00:00'
lines = [
    [t(7, 30, 5), 'Morning news', '1', 'recorded', '', '0', '', '20261210-073005-30.mpg', t(7, 0, 1), t(7, 30, 5), '1804', '0'],
    [t(12, 0, 5), 'Cartoons', '2', 'recorded', '', '48', 'computer-off', '20261210-120005-59.avi', t(11, 0, 49), t(12, 0, 5), '3556', '3'],
    [t(18, 10, 2), 'Quiz', '0', 'cut-short', 'disk-full', '0', '', '20261210-181002-10.mpg', t(18, 0, 0), t(18, 10, 2), '602', '0'],
    [t(20, 12, 40), 'Evening news', '1', 'cut-short', 'tv-ended', '0', '', '20261210-201240-12.mpg', t(20, 0, 1), t(20, 12, 40), '759', '0'],
    [t(20, 30, 5), 'Evening news', '1', 'recorded', '', '0', '', '20261210-201240-12-2.mpg', t(20, 12, 47), t(20, 30, 5), '1038', '0'],
    [t(22, 5, 0), 'Late film', '2', 'missed', 'computer-off', '0', '', '', z, z, '0', '0'],
]
open(sys.argv[1], 'w', newline='').write(''.join('\t'.join(l) + '\r\n' for l in lines))
PY
}

shoot() { # LANGUAGE SUFFIX LOCALE
  local language=$1 suffix=$2 locale=$3
  local prefix=$TUNARO_BUILD/prefix/shot-schedule-$suffix
  rm -rf "$prefix"
  "$TUNARO_ROOT/scripts/make-prefix.sh" "$prefix" --card SAA7134 --language "$language" >/dev/null \
    || die "could not make $prefix"
  printf 'Name: Harbour TV\nFreq: 49750000\nChan: 1\nAudioChannels:0\nCheck:1\nName: Valley TV\nFreq: 77250000\nChan: 2\nAudioChannels:0\nCheck:1\nName: Coast TV\nFreq: 175250000\nChan: 3\nAudioChannels:0\nCheck:1\n' \
    >"$prefix/drive_c/windows/system32/program.txt"
  local inst="$prefix/drive_c/Program Files/Tunaro"
  task_file "$inst/SCHTASK.stf"
  history_file "$inst/SCHHIST.txt"
  tunaro_start_session
  tunaro_wine_env "$prefix"
  "$TUNARO_WINESERVER" -p
  (cd "$inst" && LC_ALL=$locale "$TUNARO_WINE" 'C:\Program Files\Tunaro\Schedule.exe' >/dev/null 2>&1) &
  local app=$!
  "$TUNARO_WINE" "$WINCTL" wait Schedule 30000 >/dev/null 2>&1 || log "warning: no scheduler window"
  sleep 3
  # The tray menu's Schedule item brings the window up, centred.
  "$TUNARO_WINE" "$WINCTL" command Schedule 32771 >/dev/null 2>&1
  sleep 2
  local rect
  rect=$("$TUNARO_WINE" "$WINCTL" rect Schedule 2>/dev/null | tr -d '\r')
  import -display "$DISPLAY" -window root "$prefix/window.png"
  [ -n "$rect" ] && convert "$prefix/window.png" -crop "$rect" +repage "$OUT/schedule_window_$suffix.png"
  # The History view, then the wizard, each closed with its Cancel.
  "$TUNARO_WINE" "$WINCTL" command Schedule 1005 >/dev/null 2>&1
  rect=$("$TUNARO_WINE" "$WINCTL" owned-rect Schedule 10000 2>/dev/null | tr -d '\r')
  sleep 1
  import -display "$DISPLAY" -window root "$prefix/history.png"
  [ -n "$rect" ] && convert "$prefix/history.png" -crop "$rect" +repage "$OUT/schedule_history_$suffix.png"
  "$TUNARO_WINE" "$WINCTL" owned-command Schedule 2 >/dev/null 2>&1
  sleep 1
  "$TUNARO_WINE" "$WINCTL" command Schedule 1001 >/dev/null 2>&1
  rect=$("$TUNARO_WINE" "$WINCTL" owned-rect Schedule 10000 2>/dev/null | tr -d '\r')
  sleep 1
  import -display "$DISPLAY" -window root "$prefix/wizard.png"
  [ -n "$rect" ] && convert "$prefix/wizard.png" -crop "$rect" +repage "$OUT/schedule_wizard_$suffix.png"
  "$TUNARO_WINE" "$WINCTL" owned-command Schedule 2 >/dev/null 2>&1
  sleep 1
  "$TUNARO_WINE" "$WINCTL" command Schedule 32772 >/dev/null 2>&1
  for _ in $(seq 1 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
  tunaro_wine_kill "$prefix"
  tunaro_stop_session
  log "wrote $OUT/schedule_{window,history,wizard}_$suffix.png"
}

if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 2>/dev/null || log "warning: no zh_CN.UTF-8 locale; Chinese texts may not show"
fi
shoot 1033 en C.UTF-8
shoot 2052 zh zh_CN.UTF-8
