# Helpers shared by every folder's CMakeLists: test programs and their registration with CTest.

# tunaro_add_subdirs(a b c [EXCEPT x y]): add exactly the listed subfolders. The list and the tree
# must agree, so a misspelt or forgotten name fails the configure instead of leaving a folder out:
# a listed folder without a CMakeLists.txt is an error, and so is a subfolder with one that is
# neither listed nor named after EXCEPT (folders added elsewhere).
function(tunaro_add_subdirs)
  cmake_parse_arguments(A "" "" "EXCEPT" ${ARGN})
  set(listed ${A_UNPARSED_ARGUMENTS})
  foreach(dir ${listed})
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      message(FATAL_ERROR "${CMAKE_CURRENT_LIST_FILE} lists the folder '${dir}', which has no CMakeLists.txt")
    endif()
  endforeach()
  file(GLOB present CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  foreach(file ${present})
    get_filename_component(dir ${file} DIRECTORY)
    if(NOT dir IN_LIST listed AND NOT dir IN_LIST A_EXCEPT)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${dir} has a CMakeLists.txt but is not listed in "
                          "${CMAKE_CURRENT_LIST_FILE}: add it to the list")
    endif()
  endforeach()
  foreach(dir ${listed})
    add_subdirectory(${dir})
  endforeach()
endfunction()

# tunaro_add_test_dirs([EXCEPT x y]): add every subfolder of a tests folder; one with files but no
# CMakeLists.txt fails the configure (tests that no build reaches would pass unnoticed).
function(tunaro_add_test_dirs)
  cmake_parse_arguments(A "" "" "EXCEPT" ${ARGN})
  file(GLOB dirs CONFIGURE_DEPENDS LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT dirs)
  foreach(dir ${dirs})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${dir} AND NOT dir IN_LIST A_EXCEPT)
      if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
        add_subdirectory(${dir})
      else()
        file(GLOB_RECURSE files LIST_DIRECTORIES false ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*)
        if(files)
          message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${dir} has files but no CMakeLists.txt: no build would run its tests")
        endif()
      endif()
    endif()
  endforeach()
endfunction()

# tunaro_test_in_a_prefix(TEST...): the tests run in the test prefixes scripts/test.sh makes, a
# CTest resource ("prefix", one slot each): a prefix is a Windows of its own (its wine server,
# registry and files, so its own simulated card, mixer and scheduler) with its own X display and
# sound server, and holds one test at a time. Tests in different prefixes run side by side and
# share nothing, so no test locks another out. Without the resource (ctest by hand, one test at a
# time) every test runs in the one prefix scripts/run.sh gives.
function(tunaro_test_in_a_prefix)
  set_tests_properties(${ARGN} PROPERTIES RESOURCE_GROUPS "prefix:1")
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
  tunaro_test_in_a_prefix(${name})
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
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "e2e;${T_LABELS}")
  tunaro_test_in_a_prefix(${name})
endfunction()

# Labels of a test that inspects the i686 product tree: "unit", and "product_tree" when that tree
# is not this one (scripts/test.sh then runs the test once the product tree is built beside).
function(tunaro_product_tree_labels out)
  if(TUNARO_ARCH STREQUAL "i686")
    set(${out} "unit" PARENT_SCOPE)
  else()
    set(${out} "unit;product_tree" PARENT_SCOPE)
  endif()
endfunction()
