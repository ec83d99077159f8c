#!/usr/bin/env bash
# Builds the encoder libraries the recording stand-ins link (FFmpeg's libavcodec, libavformat,
# libavutil and LAME's libmp3lame) and the thread library every module links (winpthreads, for
# Windows XP) from Debian's source packages, for the i686 and x86_64 trees.
#
# Usage: scripts/build-codecs.sh [--arch i686|x86_64] [--print-dir]
# --arch builds one architecture only (test.sh builds the lane's first and the other one beside
# the tests). The result is cached in build/codecs/<key>/<arch>/{include,lib}, the key made of the source
# package versions and of this script's own text, so only a cold build or a new package version
# pays; build/codecs/current points at the cached set the CMake trees use (cmake/codecs.cmake).
# Nothing of either project enters the repository: sources are fetched with apt-get source.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

CODECS_ROOT=${TUNARO_CODECS_ROOT:-$TUNARO_ROOT/build/codecs}
ARCHES=(i686 x86_64)

sudo_cmd() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# A deb-src entry for the suite the machine runs (Debian 12), added once.
ensure_deb_src() {
  if apt-cache showsrc --only-source ffmpeg 2>/dev/null | grep -q '^Version:' &&
    apt-cache showsrc --only-source lame 2>/dev/null | grep -q '^Version:'; then
    return 0
  fi
  local list=/etc/apt/sources.list.d/tunaro-deb-src.sources
  if [ ! -e "$list" ]; then
    log "adding a deb-src entry for Debian 12 ($list)"
    sudo_cmd tee "$list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  sudo_cmd apt-get update -qq || die "apt-get update failed"
}

# Highest source version apt knows for package $1 (the one apt-get source fetches).
source_version() {
  local best="" v
  for v in $(apt-cache showsrc --only-source "$1" | awk '/^Version:/ {print $2}'); do
    if [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; then best=$v; fi
  done
  [ -n "$best" ] || die "no source package $1"
  printf '%s\n' "$best"
}

# apt-get source into $CODECS_ROOT/src/<pkg>_<version>; prints the unpacked directory.
fetch_source() {
  # make cannot take a colon (epoch) in a path: the directory name leaves it out.
  local pkg=$1 version=$2 dest="$CODECS_ROOT/src/${1}_${2//[:~+]/_}"
  if [ ! -e "$dest/.unpacked" ]; then
    rm -rf "$dest"
    mkdir -p "$dest"
    log "fetching the $pkg $version source package"
    (cd "$dest" && apt-get source -qq "$pkg=$version" >fetch.log 2>&1) ||
      { cat "$dest/fetch.log" >&2; die "apt-get source $pkg failed"; }
    touch "$dest/.unpacked"
  fi
  find "$dest" -mindepth 1 -maxdepth 1 -type d -name "${pkg}-*" | head -1
}

# Everything off but the encoders and muxers the stand-ins use, and the MPEG-1/2 video and
# Layer I/II decoders with their frame parsers that the playback stand-ins use. The ASF demuxer is on because
# the ASF muxer shares its tables; the file protocol writes the output. The x86 assembly (nasm)
# stays on: motion search, transforms and pixel operations run about twice as fast with it, and
# the library picks the routines the processor has at run time, so the i686 build still runs on
# a plain i686. Threads are winpthreads (the XP build below): FFmpeg's own Windows threads need
# Vista's slim locks, condition variables and one-time initialisation.
ffmpeg_configure() {
  local src=$1 arch=$2 prefix=$3 host=$2-w64-mingw32
  local cpu_flags=()
  [ "$arch" = i686 ] && cpu_flags=(--cpu=i686)
  "$src/configure" --prefix="$prefix" --target-os=mingw32 --arch="$arch" "${cpu_flags[@]}" \
    --enable-cross-compile --cross-prefix="$host-" --cc="$host-gcc-posix" \
    --disable-everything --disable-programs --disable-doc --disable-network \
    --disable-autodetect --disable-w32threads --enable-pthreads --disable-debug \
    --enable-static --disable-shared \
    --disable-avdevice --disable-swscale --disable-swresample --disable-postproc --disable-avfilter \
    --enable-encoder=mpeg1video,mpeg2video,mp2,msmpeg4v3,wmv2,wmav2 \
    --enable-muxer=mpeg1system,mpeg1vcd,mpeg2dvd,mpeg2svcd,mpeg2vob,asf \
    --enable-demuxer=asf --enable-protocol=file \
    --enable-decoder=mpeg1video,mpeg2video,mp1,mp2 --enable-parser=mpegvideo,mpegaudio
}

build_ffmpeg() {
  local src=$1 arch=$2 out=$3 work="$CODECS_ROOT/work/ffmpeg-$2"
  rm -rf "$work"
  mkdir -p "$work"
  (cd "$work" && ffmpeg_configure "$src" "$arch" "$out" >configure.log 2>&1) ||
    { tail -30 "$work/configure.log" >&2; die "FFmpeg configure failed for $arch"; }
  ffmpeg_without_bcrypt "$work" || die "could not turn off bcrypt in FFmpeg's configuration ($arch)"
  printf '%s\n' "$work"
}

# Windows XP has no bcrypt.dll, and configure offers no switch for it: the random seed takes the
# library's portable source instead (timer jitter hashed with SHA-1), which none of the selected
# encoders and muxers draws on while recording.
ffmpeg_without_bcrypt() {
  local work=$1
  sed -i 's/^#define HAVE_BCRYPT 1$/#define HAVE_BCRYPT 0/' "$work/config.h" &&
    sed -i 's/ -lbcrypt\b//g' "$work/ffbuild/config.mak" &&
    grep -q '^#define HAVE_BCRYPT 0$' "$work/config.h" &&
    ! grep -q -- '-lbcrypt' "$work/ffbuild/config.mak"
}

make_ffmpeg() {
  local work=$1 arch=$2
  (cd "$work" && make -j"$(nproc)" >build.log 2>&1 && make install >install.log 2>&1) ||
    { tail -40 "$work/build.log" >&2; die "FFmpeg build failed for $arch"; }
}

build_lame() {
  local src=$1 arch=$2 out=$3 host=$2-w64-mingw32 work="$CODECS_ROOT/work/lame-$2"
  rm -rf "$work"
  mkdir -p "$work"
  (
    cd "$work"
    CC="$host-gcc-posix" CFLAGS="-O2" "$src/configure" --host="$host" --prefix="$out" \
      --disable-shared --enable-static --disable-frontend --disable-decoder \
      --disable-gtktest --disable-analyzer-hooks >configure.log 2>&1 &&
      make -C libmp3lame -j"$(nproc)" >build.log 2>&1 &&
      mkdir -p "$out/lib" "$out/include/lame" &&
      cp libmp3lame/.libs/libmp3lame.a "$out/lib/" &&
      cp "$src/include/lame.h" "$out/include/lame/"
  ) || { tail -30 "$work"/*.log >&2; die "LAME build failed for $arch"; }
}

# winpthreads, the posix thread library of the -posix compilers (std::thread, std::mutex, and
# FFmpeg's threads), is linked statically into every module. The toolchain's copy is built for
# Vista and later (it times its waits with GetTickCount64); built from the same source package for
# Windows XP it times them with the performance counter. cmake/codecs.cmake puts this copy
# before the toolchain's. The source is the version of the installed headers and runtime.
build_winpthreads() {
  local src=$1 arch=$2 out=$3/winpthreads host=$2-w64-mingw32 work="$CODECS_ROOT/work/winpthreads-$2"
  rm -rf "$work"
  mkdir -p "$work"
  (
    cd "$work"
    CC="$host-gcc-posix" CFLAGS="-O2 -D_WIN32_WINNT=0x0501 -DWINVER=0x0501" \
      "$src/mingw-w64-libraries/winpthreads/configure" --host="$host" --prefix="$out" \
      --disable-shared --enable-static >configure.log 2>&1 &&
      make -j"$(nproc)" >build.log 2>&1 &&
      mkdir -p "$out/lib" &&
      cp .libs/libwinpthread.a "$out/lib/libwinpthread.a" &&
      cp .libs/libwinpthread.a "$out/lib/libpthread.a"
  ) || { tail -30 "$work"/*.log >&2; die "winpthreads build failed for $arch"; }
  if "$host-nm" "$out/lib/libwinpthread.a" | grep -q 'GetTickCount64'; then
    die "winpthreads for $arch still calls GetTickCount64"
  fi
}

# The version of the installed MinGW-w64 headers and runtime (the winpthreads source must match).
mingw_version() {
  dpkg-query -W -f='${Version}' mingw-w64-common 2>/dev/null || die "mingw-w64-common is not installed"
}

main() {
  local print_dir=0 arches=("${ARCHES[@]}")
  while [ $# -gt 0 ]; do
    case $1 in
      --print-dir) print_dir=1; shift ;;
      --arch)
        case ${2:-} in i686 | x86_64) arches=("$2") ;; *) die "--arch takes i686 or x86_64" ;; esac
        shift 2 ;;
      *) die "unknown argument: $1" ;;
    esac
  done

  local script_hash key dir
  script_hash=$(sha256sum "${BASH_SOURCE[0]}" | cut -c1-12)
  # Warm: apt's cached lists give the versions, and a complete set under that key is reused.
  ensure_deb_src
  local ffv lamev mingwv
  ffv=$(source_version ffmpeg)
  lamev=$(source_version lame)
  mingwv=$(mingw_version)
  key="ffmpeg-${ffv}_lame-${lamev}_mingw-w64-${mingwv}_${script_hash}"
  key=${key//[:~+]/_}
  dir="$CODECS_ROOT/$key"

  local todo=() arch
  for arch in "${arches[@]}"; do
    [ -e "$dir/$arch/.complete" ] || todo+=("$arch")
  done
  if [ ${#todo[@]} -gt 0 ]; then
    local t0 ffsrc lamesrc mingwsrc
    command -v nasm >/dev/null 2>&1 || die "nasm is missing (scripts/lib/common.sh installs it)"
    t0=$(date +%s)
    log "building the codec libraries ($key) for ${todo[*]}; cold, this takes a few minutes"
    ffsrc=$(fetch_source ffmpeg "$ffv")
    lamesrc=$(fetch_source lame "$lamev")
    mingwsrc=$(fetch_source mingw-w64 "$mingwv")
    for arch in "${todo[@]}"; do rm -rf "$dir/$arch"; done
    mkdir -p "$dir"
    # FFmpeg's configure is a long single-threaded script: both trees configure side by side
    # (with LAME and winpthreads behind them), then each compiles on every core.
    local pids=() works=()
    for arch in "${todo[@]}"; do
      (build_ffmpeg "$ffsrc" "$arch" "$dir/$arch" >/dev/null && build_lame "$lamesrc" "$arch" "$dir/$arch" &&
        build_winpthreads "$mingwsrc" "$arch" "$dir/$arch") &
      pids+=($!)
    done
    for p in "${pids[@]}"; do wait "$p" || die "codec configure failed"; done
    for arch in "${todo[@]}"; do
      make_ffmpeg "$CODECS_ROOT/work/ffmpeg-$arch" "$arch"
      rm -rf "$CODECS_ROOT/work/"*-"$arch"
      touch "$dir/$arch/.complete"
    done
    log "codec libraries built in $(($(date +%s) - t0)) s"
  fi
  ln -sfn "$key" "$CODECS_ROOT/current"
  # Earlier keys are dropped so the cache does not grow with every version.
  local old
  for old in "$CODECS_ROOT"/ffmpeg-*; do
    [ "$old" = "$dir" ] || rm -rf "$old"
  done
  for old in "$CODECS_ROOT"/src/*; do
    case "$old" in
      */ffmpeg_"${ffv//[:~+]/_}" | */lame_"${lamev//[:~+]/_}" | */mingw-w64_"${mingwv//[:~+]/_}") ;;
      *) rm -rf "$old" ;;
    esac
  done
  [ $print_dir = 1 ] && printf '%s\n' "$dir"
  return 0
}

main "$@"
