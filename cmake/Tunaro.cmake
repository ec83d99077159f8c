# Helpers shared by every folder's CMakeLists: test programs and their registration with CTest.

# tunaro_add_subdirs(a b c): add each listed subfolder that has a CMakeLists.txt.
function(tunaro_add_subdirs)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# tunaro_unit_test(NAME SOURCES ... [LIBS ...] [TIMEOUT s] [LABELS ...])
# A GoogleTest program for the target, run by CTest through Wine (the emulator wrapper).
function(tunaro_unit_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE gtest_main gtest ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "unit;${T_LABELS}")
endfunction()

# tunaro_e2e_test(NAME SOURCES ... [LIBS ...] [DEPENDS targets] [TIMEOUT s])
# An end-to-end test: a GoogleTest program linked with the e2e support library that starts
# the real programs under the test prefix and drives them by window messages.
function(tunaro_e2e_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;DEPENDS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE gtest_main gtest e2e_support ${T_LIBS})
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "e2e;${T_LABELS}" RUN_SERIAL TRUE)
endfunction()
