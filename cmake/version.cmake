# The program's version, set once by project(): the version box text, the
# version resources of the program and its modules, and the packages.
set(KTR_PRODUCT_NAME "KTR SCSI Adapter Setup")
set(KTR_PUBLISHER "KTR")
foreach(part MINOR PATCH)
  string(LENGTH "${PROJECT_VERSION_${part}}" length)
  set(padded_${part} "${PROJECT_VERSION_${part}}")
  if(length LESS 2)
    set(padded_${part} "0${padded_${part}}")
  endif()
endforeach()
set(KTR_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${padded_MINOR}.${padded_PATCH}")
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(KTR_ARCH x64)
  set(KTR_MANIFEST_ARCH amd64)
else()
  set(KTR_ARCH x86)
  set(KTR_MANIFEST_ARCH x86)
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
