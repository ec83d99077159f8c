# What the Windows setup does beyond copying the files `cmake --install` stages: which COM
# servers and drivers it registers and which programs get a Start-menu shortcut. Each
# CMakeLists declares its own targets; installer/ turns the list into setup code.
#
# tunaro_setup_register(TARGET [WHERE_MISSING {CLSID}] [DLLINSTALL name])
#   A COM server: the setup calls its DllRegisterServer after copying it, or DllInstall(TRUE,
#   name) with DLLINSTALL (servers that hold several classes, or that decide themselves what the
#   system lacks); the uninstaller calls DllUnregisterServer or DllInstall(FALSE, name). With
#   WHERE_MISSING only when the system has no server of its own for CLSID (no InprocServer32
#   key), and the uninstaller undoes it only while the class is still served by this file.
# tunaro_setup_driver(TARGET NAME [NAME...])
#   An installable driver (video or audio codec): the value NAME ("vidc.YUY2") under the
#   Drivers32 key names the file, set only where the system has no driver of that name.
# tunaro_setup_shortcut(TARGET "Start-menu name")
#   A shortcut to the program in the suite's Start-menu folder.
#
# The list is written to <build>/setup/register.txt, one tab-separated line per entry:
#   com <file> [<name>] | com-missing <file> <CLSID> [<name>] | driver <file> <NAME> |
#   shortcut <file> <text>

set_property(GLOBAL PROPERTY TUNARO_SETUP_ENTRIES "")

function(tunaro_setup_add_entry)
  list(JOIN ARGN "\t" line)
  set_property(GLOBAL APPEND PROPERTY TUNARO_SETUP_ENTRIES "${line}")
endfunction()

function(tunaro_setup_register target)
  cmake_parse_arguments(R "" "WHERE_MISSING;DLLINSTALL" "" ${ARGN})
  if(R_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tunaro_setup_register(${target}): unknown arguments ${R_UNPARSED_ARGUMENTS}")
  endif()
  if(R_WHERE_MISSING)
    if(NOT R_WHERE_MISSING MATCHES "^{[0-9A-Fa-f-]+}$")
      message(FATAL_ERROR "tunaro_setup_register(${target}): WHERE_MISSING takes a CLSID in braces")
    endif()
    tunaro_setup_add_entry(com-missing "$<TARGET_FILE_NAME:${target}>" ${R_WHERE_MISSING} ${R_DLLINSTALL})
  else()
    tunaro_setup_add_entry(com "$<TARGET_FILE_NAME:${target}>" ${R_DLLINSTALL})
  endif()
endfunction()

function(tunaro_setup_driver target)
  if(NOT ARGN)
    message(FATAL_ERROR "tunaro_setup_driver(${target}): no driver name")
  endif()
  foreach(name ${ARGN})
    tunaro_setup_add_entry(driver "$<TARGET_FILE_NAME:${target}>" ${name})
  endforeach()
endfunction()

function(tunaro_setup_shortcut target text)
  if(text MATCHES "[\\\\/:*?\"<>|$\t]")
    message(FATAL_ERROR "tunaro_setup_shortcut(${target}): \"${text}\" is no file name")
  endif()
  tunaro_setup_add_entry(shortcut "$<TARGET_FILE_NAME:${target}>" "${text}")
endfunction()

# Called once at the end of the top-level directory (installer/CMakeLists.txt defers it).
function(tunaro_setup_write_entries path)
  get_property(entries GLOBAL PROPERTY TUNARO_SETUP_ENTRIES)
  list(JOIN entries "\n" content)
  file(GENERATE OUTPUT ${path} CONTENT "${content}\n")
endfunction()
