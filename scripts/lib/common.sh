# Shared by test.sh, demo.sh, make-prefix.sh and run.sh: packages, builds, the X display,
# the sound server and Wine. Source it; it defines functions and a few variables only.

TUNARO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The two trees: the product (i686, PE32, build/) and its x86_64 twin (PE32+, build/x64).
TUNARO_BUILD_PRODUCT=${TUNARO_BUILD_PRODUCT:-$TUNARO_ROOT/build}
TUNARO_BUILD_TWIN=${TUNARO_BUILD_TWIN:-$TUNARO_ROOT/build/x64}

# Whether this machine executes 32-bit x86 code: a static i386 program of three instructions,
# made with the system's assembler and linker (no i386 library needed), must run and give its
# exit code back.
tunaro_runs_i386() {
  local dir rc
  dir=$(mktemp -d) || return 1
  printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$dir/p.s"
  if as --32 -o "$dir/p.o" "$dir/p.s" 2>/dev/null && ld -m elf_i386 -o "$dir/p" "$dir/p.o" 2>/dev/null; then
    "$dir/p" >/dev/null 2>&1
    rc=$?
  else
    rc=1
  fi
  rm -rf "$dir"
  [ "$rc" -eq 42 ]
}

# The lane: which tree the tests, the demo and the soak run. On a machine that executes 32-bit
# code it is the product (i686, PE32) under 32-bit Wine; elsewhere the twin (x86_64, PE32+) under
# 64-bit Wine. TUNARO_LANE=twin picks the twin anyway. Decided once per run: the scripts started
# from here (CTest's emulator among them) inherit it.
if [ -z "${TUNARO_RUNS_I386:-}" ]; then
  if tunaro_runs_i386; then TUNARO_RUNS_I386=1; else TUNARO_RUNS_I386=0; fi
fi
if [ "$TUNARO_RUNS_I386" = 1 ]; then
  TUNARO_LANE=${TUNARO_LANE:-i686}
else
  TUNARO_LANE=${TUNARO_LANE:-twin}
fi
if [ "$TUNARO_LANE" = i686 ] && [ "$TUNARO_RUNS_I386" != 1 ]; then
  printf 'TUNARO_LANE=i686: this machine cannot execute 32-bit code (a static i386 program gave no exit code)\n' >&2
  exit 2
fi
export TUNARO_LANE TUNARO_RUNS_I386
case $TUNARO_LANE in
  i686)
    TUNARO_BUILD=${TUNARO_BUILD:-$TUNARO_BUILD_PRODUCT}
    TUNARO_OTHER_BUILD=$TUNARO_BUILD_TWIN
    TUNARO_ARCH=i686 TUNARO_OTHER_ARCH=x86_64
    TUNARO_WINE=/usr/lib/wine/wine
    TUNARO_WINESERVER=/usr/lib/wine/wineserver32
    TUNARO_WINEARCH=win32
    TUNARO_LANE_TEXT="i686 (PE32) under 32-bit Wine"
    ;;
  twin)
    TUNARO_BUILD=${TUNARO_BUILD:-$TUNARO_BUILD_TWIN}
    TUNARO_OTHER_BUILD=$TUNARO_BUILD_PRODUCT
    TUNARO_ARCH=x86_64 TUNARO_OTHER_ARCH=i686
    TUNARO_WINE=/usr/lib/wine/wine64
    TUNARO_WINESERVER=/usr/lib/wine/wineserver64
    TUNARO_WINEARCH=win64
    if [ "$TUNARO_RUNS_I386" = 1 ]; then
      TUNARO_LANE_TEXT="x86_64 twin under 64-bit Wine (asked for with TUNARO_LANE=twin; this machine executes 32-bit code)"
    else
      TUNARO_LANE_TEXT="x86_64 twin under 64-bit Wine (this machine cannot execute 32-bit code)"
    fi
    ;;
  *) printf 'TUNARO_LANE=%s: use i686 or twin\n' "$TUNARO_LANE" >&2; exit 2 ;;
esac
# The prefix steps (scripts/prefix.d) run Wine too.
export TUNARO_WINE TUNARO_WINESERVER

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }
die() { log "error: $*"; exit 1; }

# Phase timing: tunaro_phase NAME ends the phase before it and starts NAME; tunaro_phases prints
# how long each one took.
TUNARO_PHASES=()
TUNARO_PHASE_NAME=
TUNARO_PHASE_START=
tunaro_phase() {
  local now
  now=$(date +%s)
  [ -z "$TUNARO_PHASE_NAME" ] || TUNARO_PHASES+=("$TUNARO_PHASE_NAME $((now - TUNARO_PHASE_START))")
  TUNARO_PHASE_NAME=$1
  TUNARO_PHASE_START=$now
  [ -z "$1" ] || log "phase: $1"
}
tunaro_phases() {
  tunaro_phase ""
  local entry
  log "time by phase:"
  for entry in "${TUNARO_PHASES[@]}"; do
    printf '  %-16s %6s s\n' "${entry% *}" "${entry##* }" >&2
  done
}

# Packages this project needs on Debian 12, installed only when one is missing.
TUNARO_PACKAGES=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  cmake make googletest
  wine wine64 libwine
  fonts-wine fonts-liberation
  xvfb xauth x11-utils pulseaudio pulseaudio-utils
  imagemagick fonts-wqy-zenhei
  nsis
  clang libclang-rt-14-dev clang-tidy clang-tools clang-format python3-yaml
  ffmpeg
  # The assembler of the codec libraries' x86 routines (scripts/build-codecs.sh).
  nasm
  # Wine's DirectShow playback of WMA files (ASF demuxer and the WMA decoder), for TrackDeck.dll.
  gstreamer1.0-plugins-ugly gstreamer1.0-libav
)
# The 32-bit fuzz build (scripts/fuzz.sh, clang -m32 with the sanitizers): the i386 C and C++
# libraries, which Debian offers on amd64 hosts.
if [ "$(dpkg --print-architecture 2>/dev/null)" = amd64 ]; then
  TUNARO_PACKAGES+=(libc6-dev-i386 lib32gcc-12-dev lib32stdc++-12-dev)
fi

# The product lane's 32-bit Wine, with the 32-bit GStreamer plugins its DirectShow playback of
# WMA files loads.
TUNARO_PACKAGES_I386=(wine32:i386 gstreamer1.0-plugins-ugly:i386 gstreamer1.0-libav:i386)

tunaro_install() {
  local missing=() sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  local wanted=("${TUNARO_PACKAGES[@]}")
  if [ "$TUNARO_LANE" = i686 ]; then
    wanted+=("${TUNARO_PACKAGES_I386[@]}")
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      log "adding the i386 architecture to dpkg (for 32-bit Wine)"
      $sudo dpkg --add-architecture i386 || die "dpkg --add-architecture i386 failed"
    fi
  fi
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  log "installing: ${missing[*]}"
  $sudo apt-get update -qq || die "apt-get update failed"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null \
    || die "apt-get install failed"
}

# tunaro_configure_build DIR ARCH [cmake args...]: configure, then build incrementally.
tunaro_configure_build() {
  local dir=$1 arch=$2
  shift 2
  mkdir -p "$dir"
  # Where ccache is installed (developer machines with several work trees), compiles are shared
  # between trees: paths below the base directory are hashed relative to the build directory.
  local launcher=()
  if command -v ccache >/dev/null 2>&1 && [ -z "${TUNARO_NO_CCACHE:-}" ]; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    case "$TUNARO_ROOT" in /work/*) export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work} ;; esac
    export CCACHE_NOHASHDIR=1
  fi
  # Configuring again is quick and picks up folders that appeared since the last run.
  cmake -S "$TUNARO_ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$TUNARO_ROOT/cmake/toolchain-mingw.cmake" \
    -DTUNARO_ARCH="$arch" "${launcher[@]}" "$@" >"$dir/tunaro-configure.log" 2>&1 || { cat "$dir/tunaro-configure.log" >&2; die "cmake configure failed for $arch"; }
  cmake --build "$dir" -j"$(nproc)" -- --no-print-directory >"$dir/tunaro-build.log" 2>&1 \
    || { tail -60 "$dir/tunaro-build.log" >&2; die "build failed for $arch (log: $dir/tunaro-build.log)"; }
  grep -E 'warning:' "$dir/tunaro-build.log" >&2 || true
}

# Both trees, each warning-free: the lane's with its tests (the tests run it), the other one's
# programs only, so that neither rots. test.sh builds the other tree beside the tests instead
# (tunaro_build_lane, then tunaro_build_other at the lowest priority).
tunaro_build_lane() {
  # The encoder libraries the tree links (cached in build/codecs; cold, a few minutes).
  tunaro_phase codecs
  "$TUNARO_ROOT/scripts/build-codecs.sh" --arch "$TUNARO_ARCH" || die "could not build the codec libraries"
  tunaro_phase "$TUNARO_ARCH tree"
  log "building the $TUNARO_ARCH tree with its tests (the tests run it) in $TUNARO_BUILD"
  tunaro_configure_build "$TUNARO_BUILD" "$TUNARO_ARCH" -DTUNARO_TESTS=ON
}
tunaro_build_other() {
  "$TUNARO_ROOT/scripts/build-codecs.sh" --arch "$TUNARO_OTHER_ARCH" || die "could not build the codec libraries"
  log "building the $TUNARO_OTHER_ARCH tree (compiled only) in $TUNARO_OTHER_BUILD"
  tunaro_configure_build "$TUNARO_OTHER_BUILD" "$TUNARO_OTHER_ARCH" -DTUNARO_TESTS=OFF
}
tunaro_build() {
  tunaro_build_lane
  tunaro_phase "$TUNARO_OTHER_ARCH tree"
  tunaro_build_other
}

# A fresh prefix of its own for a long run (soak.sh, sync.sh): PREFIX=build/.../prefix/NAME made
# anew with the suite on the simulated card (TUNARO_TEST_CARD, SAA7134 by default), the setup's
# output in OUT/prefix.log, a private session, Wine's environment set and its server started;
# the prefix's programs and the session end with the script.
tunaro_fresh_prefix() { # NAME OUT
  PREFIX=$TUNARO_BUILD/prefix/$1
  tunaro_start_session
  trap 'tunaro_wine_kill "$PREFIX"; tunaro_stop_session' EXIT
  rm -rf "$PREFIX"
  "$TUNARO_ROOT/scripts/make-prefix.sh" "$PREFIX" --card "${TUNARO_TEST_CARD:-SAA7134}" >"$2/prefix.log" 2>&1 \
    || { tail -20 "$2/prefix.log" >&2; die "could not make the $1 prefix"; }
  tunaro_wine_env "$PREFIX"
  "$TUNARO_WINESERVER" -p
}

# A private X display (Xvfb) and sound server (PulseAudio with a null sink) for this run.
# Sets DISPLAY, PULSE_SERVER and XDG_RUNTIME_DIR; tunaro_stop_session ends every session the
# script started. tunaro_start_session NAME starts another one beside the first.
TUNARO_SESSION_PIDS=()
TUNARO_SESSION_DIRS=()
tunaro_start_session() {
  local run=$TUNARO_ROOT/build/run/session-$$${1:+-$1}
  mkdir -p "$run/pulse"
  chmod 700 "$run"
  # Several runs may share the machine: take the first display number whose Xvfb starts.
  local n i started=0
  for n in $(seq 90 160); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
    TUNARO_XVFB_PID=$!
    TUNARO_SESSION_PIDS+=("$TUNARO_XVFB_PID")
    for i in $(seq 1 100); do
      [ -e /tmp/.X11-unix/X$n ] && kill -0 "$TUNARO_XVFB_PID" 2>/dev/null && { started=1; break; }
      kill -0 "$TUNARO_XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    [ $started = 1 ] && break
  done
  [ $started = 1 ] || die "Xvfb did not start (see $run/xvfb.log)"
  export DISPLAY=":$n"

  export XDG_RUNTIME_DIR=$run
  export PULSE_SERVER=unix:$run/pulse/native
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$run/pulse/native" \
    -L "module-null-sink sink_name=tunaro_null sink_properties=device.description=TunaroNull" \
    -L "module-always-sink" >"$run/pulse.log" 2>&1 &
  TUNARO_PULSE_PID=$!
  TUNARO_SESSION_PIDS+=("$TUNARO_PULSE_PID")
  for i in $(seq 1 100); do
    [ -S "$run/pulse/native" ] && break
    sleep 0.05
  done
  [ -S "$run/pulse/native" ] || log "warning: PulseAudio did not start (see $run/pulse.log); no sound device"
  TUNARO_SESSION_DIR=$run
  TUNARO_SESSION_DIRS+=("$run")
}

tunaro_stop_session() {
  [ ${#TUNARO_SESSION_PIDS[@]} -eq 0 ] || kill "${TUNARO_SESSION_PIDS[@]}" 2>/dev/null
  wait 2>/dev/null
  [ ${#TUNARO_SESSION_DIRS[@]} -eq 0 ] || rm -rf "${TUNARO_SESSION_DIRS[@]}"
  return 0
}

# Environment for running Wine in prefix $1.
tunaro_wine_env() {
  export WINEPREFIX=$1
  export WINEARCH=$TUNARO_WINEARCH
  export WINEDEBUG=${TUNARO_WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# Ends every Wine process of prefix $1.
tunaro_wine_kill() {
  WINEPREFIX=$1 "$TUNARO_WINESERVER" -k 2>/dev/null || true
  WINEPREFIX=$1 "$TUNARO_WINESERVER" -w 2>/dev/null || true
}
