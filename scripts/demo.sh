#!/usr/bin/env bash
# The suite's main job: live (simulated) TV. Installs what is missing, builds, makes a demo
# prefix with the simulated SAA7134-family card and starts Tunaro. On a desktop (DISPLAY set)
# it runs until you close it; without a display it runs under Xvfb for about eight seconds,
# writes build/demo.png and closes the programs cleanly.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh"
log "demo build: $TUNARO_LANE_TEXT"

tunaro_install
tunaro_build

PREFIX=$TUNARO_BUILD/prefix/demo
HEADLESS=1
[ -n "${DISPLAY:-}" ] && HEADLESS=0
if [ $HEADLESS = 1 ]; then
  tunaro_start_session
  trap 'tunaro_wine_kill "$PREFIX"; tunaro_stop_session' EXIT
else
  trap 'tunaro_wine_kill "$PREFIX"' EXIT
fi
"$TUNARO_ROOT/scripts/make-prefix.sh" "$PREFIX" --card "${TUNARO_DEMO_CARD:-SAA7134}" || die "could not make the demo prefix"
tunaro_wine_env "$PREFIX"
"$TUNARO_WINESERVER" -p

WINCTL=$TUNARO_BUILD/bin/winctl.exe
winctl() { "$TUNARO_WINE" "$WINCTL" "$@" 2>/dev/null; }
INSTDIR="$PREFIX/drive_c/Program Files/Tunaro"
SHOT=$TUNARO_ROOT/build/demo.png

[ -f "$INSTDIR/Tunaro.exe" ] || die "the setup did not install Tunaro.exe into the demo prefix (see $PREFIX/tunaro-setup.log)"
TITLE=Tunaro
# While the list has no channels (a new installation's is empty): the channel list a first
# scan would give, the PAL stations of the simulated broadcast.
SYSDIR=$PREFIX/drive_c/windows/system32
if ! grep -q '^Name:' "$SYSDIR/program.txt" 2>/dev/null; then
  n=0
  while IFS='=,' read -r key hz name _ system; do
    case $key in TV*) ;; *) continue ;; esac
    [ "${system%$'\r'}" = PAL ] || continue
    n=$((n + 1))
    printf 'Name: %s\r\nFreq: %s\r\nChan: %d\r\nAudioChannels:0\r\nCheck:1\r\n' "$name" "$hz" "$n"
  done <"$SYSDIR/simcard.ini" >"$SYSDIR/program.txt"
fi
log "starting Tunaro with the simulated card"
(cd "$INSTDIR" && "$TUNARO_WINE" 'C:\Program Files\Tunaro\Tunaro.exe' >/dev/null 2>&1) &
APP=$!
CLOSE_CMD=403 # the control panel's Exit

winctl wait "$TITLE" 20000 || log "warning: no window titled \"$TITLE\" appeared"
if [ $HEADLESS = 0 ]; then
  log "running on $DISPLAY; close the program to end the demo"
  wait $APP
  exit 0
fi

sleep 8
if command -v import >/dev/null; then
  import -display "$DISPLAY" -window root "$SHOT" && log "screenshot: $SHOT"
fi
winctl command "$TITLE" "$CLOSE_CMD"
for i in $(seq 1 100); do
  kill -0 $APP 2>/dev/null || break
  sleep 0.1
done
if kill -0 $APP 2>/dev/null; then
  log "warning: the program did not close in 10 s; ending it"
else
  log "closed cleanly"
fi
