# The program's version, set once by project(): the version box text, the
# version resources of the program and its modules, and the packages.
set(KTR_PRODUCT_NAME "KTR SCSI Adapter Setup")
set(KTR_PUBLISHER "KTR")
# The Application log's source of both programs' entries, the MSI's key of it
# and the tests' name of it.
set(KTR_EVENT_SOURCE "${KTR_PRODUCT_NAME}")
# Each adapter's earlier settings: this folder of %ProgramData%\<product name>,
# made by the MSI and by either program.
set(KTR_HISTORY_FOLDER "History")
# Its access list and that of the folder above it, for the programs and the
# MSI: Administrators and the system own them and may change them; no one
# else may read them. In a file of its own, since a CMake list would take
# its semicolons apart: use it quoted.
set(KTR_HISTORY_ACCESS_FILE ${CMAKE_SOURCE_DIR}/cmake/history_access.sddl)
file(READ ${KTR_HISTORY_ACCESS_FILE} KTR_HISTORY_ACCESS)
string(STRIP "${KTR_HISTORY_ACCESS}" KTR_HISTORY_ACCESS)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KTR_HISTORY_ACCESS_FILE})
foreach(part MINOR PATCH)
  string(LENGTH "${PROJECT_VERSION_${part}}" length)
  set(padded_${part} "${PROJECT_VERSION_${part}}")
  if(length LESS 2)
    set(padded_${part} "0${padded_${part}}")
  endif()
endforeach()
set(KTR_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${padded_MINOR}.${padded_PATCH}")
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(KTR_ARCH x64)
  set(KTR_MANIFEST_ARCH amd64)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86|i[3-6]86)$")
  set(KTR_ARCH x86)
  set(KTR_MANIFEST_ARCH x86)
else()
  message(FATAL_ERROR "CMAKE_SYSTEM_PROCESSOR \"${CMAKE_SYSTEM_PROCESSOR}\": ktrcfg is built for x86_64 "
                      "(cmake/mingw-x86_64.cmake) or x86 (cmake/mingw-i686.cmake) only")
endif()

# The oldest Windows that the builds are for, stated here only. It sets the
# interface the code is compiled for (_WIN32_WINNT), the Windows Installer the
# MSI asks for, the systems the manifest names, and the Windows that the
# reviewed import lists (packaging/imports-*.txt) were checked against.
set(KTR_OLDEST_WINDOWS 7)
# Each Windows from Vista on: name, _WIN32_WINNT, the Windows Installer it came
# with (as InstallerVersion counts it), and its manifest supportedOS Id.
set(KTR_WINDOWS_TABLE
  "Vista|0x0600|400|{e2011457-1546-43c5-a5fe-008deee3d3f0}"
  "7|0x0601|500|{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"
  "8|0x0602|500|{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"
  "8.1|0x0603|500|{1f676c76-80e1-4239-95bb-83d0f6d0da78}"
  "10|0x0A00|500|{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")
set(KTR_SUPPORTED_OS "")
foreach(row ${KTR_WINDOWS_TABLE})
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 name)
  if(name STREQUAL KTR_OLDEST_WINDOWS)
    list(GET row 1 KTR_WIN32_WINNT)
    list(GET row 2 KTR_INSTALLER_VERSION)
  endif()
  if(DEFINED KTR_WIN32_WINNT)
    list(GET row 3 id)
    string(APPEND KTR_SUPPORTED_OS "\n      <supportedOS Id=\"${id}\"/>")
  endif()
endforeach()
if(NOT DEFINED KTR_WIN32_WINNT)
  message(FATAL_ERROR "KTR_OLDEST_WINDOWS \"${KTR_OLDEST_WINDOWS}\" is not in KTR_WINDOWS_TABLE")
endif()

set(KTR_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/cmake/ktr_version.h.in ${KTR_GENERATED_DIR}/ktr_version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/app/ktrcfg.manifest.in ${KTR_GENERATED_DIR}/ktrcfg.manifest @ONLY)
set_source_files_properties(${CMAKE_SOURCE_DIR}/app/ktrcfg_version.rc PROPERTIES OBJECT_DEPENDS
  "${KTR_GENERATED_DIR}/ktr_version.h;${KTR_GENERATED_DIR}/ktrcfg.manifest")
set_source_files_properties(${CMAKE_SOURCE_DIR}/language/module_version.rc PROPERTIES OBJECT_DEPENDS
  ${KTR_GENERATED_DIR}/ktr_version.h)

# A language module's version resource carries the language of the module's
# own LANGUAGE statement, as the platform's headers define it.
function(ktr_module_version target rc_source)
  file(STRINGS ${rc_source} statement REGEX "^LANGUAGE[ \t]+LANG_[A-Z_]+,[ \t]*SUBLANG_[A-Z_]+")
  if(NOT statement MATCHES "^LANGUAGE[ \t]+(LANG_[A-Z_]+),[ \t]*(SUBLANG_[A-Z_]+)")
    message(FATAL_ERROR "${rc_source}: no LANGUAGE statement")
  endif()
  set(primary ${CMAKE_MATCH_1})
  set(sub ${CMAKE_MATCH_2})
  set(names "${primary} ${sub}")
  file(WRITE ${KTR_GENERATED_DIR}/${target}_langid.c "#include <winnt.h>\n${names}\n")
  execute_process(COMMAND ${CMAKE_C_COMPILER} -E -P ${KTR_GENERATED_DIR}/${target}_langid.c
                  OUTPUT_VARIABLE ids RESULT_VARIABLE failed)
  string(REGEX MATCH "(0x[0-9a-fA-F]+)[ \t]+(0x[0-9a-fA-F]+)[ \t\r\n]*$" ids "${ids}")
  if(failed OR NOT ids)
    message(FATAL_ERROR "${rc_source}: ${names} unknown")
  endif()
  math(EXPR langid "(${CMAKE_MATCH_2} << 10) | ${CMAKE_MATCH_1}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR decimal "${langid}")
  set_property(TARGET ${target} PROPERTY KTR_LANGID ${decimal})
  string(REPLACE "0x" "" hex "${langid}")
  string(LENGTH "${hex}" length)
  while(length LESS 4)
    string(PREPEND hex "0")
    math(EXPR length "${length} + 1")
  endwhile()
  string(TOUPPER "${hex}" hex)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/language/module_version.rc)
  target_compile_definitions(${target} PRIVATE KTR_MODULE_LANGID=${langid}
    KTR_MODULE_PRIMARY=${primary} KTR_MODULE_SUB=${sub}
    KTR_MODULE_BLOCK=${hex}04B0 KTR_MODULE_NAME=${target}.dll)
  target_include_directories(${target} PRIVATE ${KTR_GENERATED_DIR})
endfunction()
