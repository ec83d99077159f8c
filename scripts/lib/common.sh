# Shared by test.sh, demo.sh, make-prefix.sh and run.sh: packages, builds, the X display,
# the sound server and Wine. Source it; it defines functions and a few variables only.

TUNARO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The product build (PE32, build/bin) and the build that runs here (PE32+, build/x64/bin).
TUNARO_BUILD_PRODUCT=${TUNARO_BUILD_PRODUCT:-$TUNARO_ROOT/build}
TUNARO_BUILD=${TUNARO_BUILD:-$TUNARO_ROOT/build/x64}
TUNARO_WINE=/usr/lib/wine/wine64
TUNARO_WINESERVER=/usr/lib/wine/wineserver64

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }
die() { log "error: $*"; exit 1; }

# Packages this project needs on Debian 12, installed only when one is missing.
TUNARO_PACKAGES=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  cmake make googletest
  wine wine64 libwine
  fonts-wine fonts-liberation
  xvfb xauth x11-utils pulseaudio pulseaudio-utils
  imagemagick fonts-wqy-zenhei
  nsis
  clang libclang-rt-14-dev clang-tidy clang-tools python3-yaml
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

tunaro_install() {
  local missing=()
  for p in "${TUNARO_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
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

# Both builds: the product (PE32, no test programs) and the one that runs here (PE32+, with tests).
tunaro_build() {
  # The encoder libraries both trees link (cached in build/codecs; cold, a few minutes).
  "$TUNARO_ROOT/scripts/build-codecs.sh" || die "could not build the codec libraries"
  log "building the x86_64 tree (tests run it) in $TUNARO_BUILD"
  tunaro_configure_build "$TUNARO_BUILD" x86_64 -DTUNARO_TESTS=ON
  log "building the i686 product tree in $TUNARO_BUILD_PRODUCT"
  tunaro_configure_build "$TUNARO_BUILD_PRODUCT" i686 -DTUNARO_TESTS=OFF
}

# A private X display (Xvfb) and sound server (PulseAudio with a null sink) for this run.
# Sets DISPLAY, PULSE_SERVER and XDG_RUNTIME_DIR; tunaro_stop_session ends both.
tunaro_start_session() {
  local run=$TUNARO_ROOT/build/run/session-$$
  mkdir -p "$run/pulse"
  chmod 700 "$run"
  # Several runs may share the machine: take the first display number whose Xvfb starts.
  local n i started=0
  for n in $(seq 90 160); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
    TUNARO_XVFB_PID=$!
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
  for i in $(seq 1 100); do
    [ -S "$run/pulse/native" ] && break
    sleep 0.05
  done
  [ -S "$run/pulse/native" ] || log "warning: PulseAudio did not start (see $run/pulse.log); no sound device"
  TUNARO_SESSION_DIR=$run
}

tunaro_stop_session() {
  [ -n "${TUNARO_PULSE_PID:-}" ] && kill "$TUNARO_PULSE_PID" 2>/dev/null
  [ -n "${TUNARO_XVFB_PID:-}" ] && kill "$TUNARO_XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  [ -n "${TUNARO_SESSION_DIR:-}" ] && rm -rf "$TUNARO_SESSION_DIR"
  return 0
}

# Environment for running Wine in prefix $1.
tunaro_wine_env() {
  export WINEPREFIX=$1
  export WINEARCH=win64
  export WINEDEBUG=${TUNARO_WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# Ends every Wine process of prefix $1.
tunaro_wine_kill() {
  WINEPREFIX=$1 "$TUNARO_WINESERVER" -k 2>/dev/null || true
  WINEPREFIX=$1 "$TUNARO_WINESERVER" -w 2>/dev/null || true
}
