# The encoder libraries the recording stand-ins link: FFmpeg (libavformat, libavcodec, libavutil)
# and LAME, cross-built from Debian's source packages by scripts/build-codecs.sh into
# build/codecs/current/<arch>. Two targets: tunaro_ffmpeg and tunaro_lame. The same script builds
# the thread library every module links, for Windows XP (<arch>/winpthreads).
set(TUNARO_CODECS_DIR "${CMAKE_SOURCE_DIR}/build/codecs/current" CACHE PATH
    "Codec libraries made by scripts/build-codecs.sh (one folder per architecture)")
set(tunaro_codecs_prefix "${TUNARO_CODECS_DIR}/${TUNARO_ARCH}")

foreach(lib lib/libavformat lib/libavcodec lib/libavutil lib/libmp3lame winpthreads/lib/libpthread)
  if(NOT EXISTS "${tunaro_codecs_prefix}/${lib}.a")
    message(FATAL_ERROR "${lib}.a is missing in ${tunaro_codecs_prefix}: "
                        "run scripts/build-codecs.sh (scripts/test.sh does) first")
  endif()
endforeach()

# The compilers link winpthreads into every module (-lpthread); this folder comes before theirs,
# whose copy needs Windows Vista.
add_link_options("-L${tunaro_codecs_prefix}/winpthreads/lib")

add_library(tunaro_ffmpeg INTERFACE)
# System headers: FFmpeg's own warnings are not ours to fix.
target_include_directories(tunaro_ffmpeg SYSTEM INTERFACE "${tunaro_codecs_prefix}/include")
# Static, in link order (a library before what it uses).
target_link_libraries(tunaro_ffmpeg INTERFACE
  "${tunaro_codecs_prefix}/lib/libavformat.a"
  "${tunaro_codecs_prefix}/lib/libavcodec.a"
  "${tunaro_codecs_prefix}/lib/libavutil.a")

add_library(tunaro_lame INTERFACE)
target_include_directories(tunaro_lame SYSTEM INTERFACE "${tunaro_codecs_prefix}/include")
target_link_libraries(tunaro_lame INTERFACE "${tunaro_codecs_prefix}/lib/libmp3lame.a")

# A rebuilt set (new package version) relinks what uses it.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  "${tunaro_codecs_prefix}/lib/libavcodec.a" "${tunaro_codecs_prefix}/lib/libmp3lame.a")
