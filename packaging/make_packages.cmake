# Makes the packages: copies the program folder's files to a stage, signs
# them when a certificate is given, zips them, and builds the MSIs from them,
# then signs the MSIs. Run as cmake -DSETTINGS=<package_settings.cmake>
# [-DOUT_DIR=... -DSTAGE=... -DKTR_SIGN_CERT=...] -P make_packages.cmake;
# what is given on the command line wins over the settings.
cmake_minimum_required(VERSION 3.20)
include(${SETTINGS})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "${command}\n${out}")
  endif()
endfunction()

# Authenticode with SHA-256, timestamped where a server is given.
function(sign file)
  if(NOT KTR_SIGN_CERT)
    return()
  endif()
  set(args -certs ${KTR_SIGN_CERT} -key ${KTR_SIGN_KEY} -h sha256 -n ${PRODUCT_NAME})
  if(KTR_SIGN_TIMESTAMP)
    list(APPEND args -ts ${KTR_SIGN_TIMESTAMP})
  endif()
  file(REMOVE ${file}.signed)
  run(${OSSLSIGNCODE} sign ${args} -in ${file} -out ${file}.signed)
  file(RENAME ${file}.signed ${file})
endfunction()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE} ${OUT_DIR})
foreach(name ${FILES})
  file(COPY ${PROGRAM_DIR}/${name} DESTINATION ${STAGE})
  sign(${STAGE}/${name})
endforeach()
file(COPY ${README} DESTINATION ${STAGE})

set(zip ${OUT_DIR}/${BASE}.zip)
file(REMOVE ${zip})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip -- ${FILES} README.txt
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${zip} could not be written")
endif()

if(NOT MAKE_MSI)
  return()
endif()

# wixl leaves the File table's Version and Language empty and drops
# IncludeMaximum; both are written into the built package here.
file(STRINGS ${WXS} include_maximum REGEX "<UpgradeVersion [^>]*IncludeMaximum=\"yes\"")
function(msi output version)
  get_filename_component(folder ${output} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  file(REMOVE ${output})
  execute_process(COMMAND ${WIXL} -a ${ARCH} -D Arch=${ARCH} -D Version=${version}
                          -D InstallerVersion=${INSTALLER_VERSION}
                          -D "ProductName=${PRODUCT_NAME}" -D "Publisher=${PUBLISHER}"
                          -D "EventSource=${EVENT_SOURCE}" -D "HistoryFolder=${HISTORY_FOLDER}" -o ${output} ${WXS}
                  WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "wixl could not build ${output}")
  endif()

  set(queries "")
  foreach(entry ${FILE_LANGUAGES})
    string(REPLACE "=" ";" entry ${entry})
    list(GET entry 0 name)
    list(GET entry 1 language)
    # The files' own version: the same project version as their resources.
    list(APPEND queries -q "UPDATE `File` SET `Version` = '${VERSION}', `Language` = '${language}' WHERE `File` = '${name}'")
  endforeach()
  # The Application log's source: its message file a REG_EXPAND_SZ, as the
  # log reads it, and its key made at install and removed at uninstall.
  set(source_key "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\${EVENT_SOURCE}")
  list(APPEND queries
    -q "UPDATE `Registry` SET `Value` = '#%[INSTALLDIR]ktrcli.exe' WHERE `Name` = 'EventMessageFile'"
    -q "INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Component_`) VALUES ('EventSourceKey', 2, '${source_key}', '*', 'EventSource')")
  # The history folder and the one above it, made with their access list, and
  # left at uninstall: the component is permanent (wixl writes neither).
  set(history_attributes 16)  # msidbComponentAttributesPermanent
  if(ARCH STREQUAL x64)
    set(history_attributes 272)  # and msidbComponentAttributes64bit
  endif()
  list(APPEND queries
    -q "UPDATE `Component` SET `Attributes` = ${history_attributes} WHERE `Component` = 'History'"
    -q "INSERT INTO `CreateFolder` (`Directory_`, `Component_`) VALUES ('HISTORYPARENT', 'History')"
    -q "CREATE TABLE `MsiLockPermissionsEx` (`MsiLockPermissionsEx` CHAR(72) NOT NULL, `LockObject` CHAR(72) NOT NULL, `Table` CHAR(32) NOT NULL, `SDDL` LONGCHAR NOT NULL, `Condition` CHAR(255) PRIMARY KEY `MsiLockPermissionsEx`)")
  execute_process(COMMAND ${MSIINFO} export ${output} Upgrade OUTPUT_VARIABLE rows RESULT_VARIABLE failed)
  string(REPLACE "\r" "" rows "${rows}")
  string(REPLACE "\n" ";" rows "${rows}")
  foreach(line ${include_maximum})
    if(NOT line MATCHES "Property=\"([A-Za-z0-9_.]+)\"")
      message(FATAL_ERROR "${WXS}: an UpgradeVersion with IncludeMaximum has no Property")
    endif()
    set(property ${CMAKE_MATCH_1})
    set(found "")
    foreach(row ${rows})
      string(REPLACE "\t" ";" fields "${row}\t")
      list(LENGTH fields count)
      if(count GREATER 7)
        list(GET fields 6 action_property)
        if(action_property STREQUAL property)
          list(GET fields 0 code)
          list(GET fields 1 minimum)
          list(GET fields 2 maximum)
          list(GET fields 4 attributes)
          set(found 1)
        endif()
      endif()
    endforeach()
    if(NOT found OR maximum STREQUAL "")
      message(FATAL_ERROR "${output}: no Upgrade row with a maximum for ${property}")
    endif()
    math(EXPR attributes "${attributes} | 512")  # msidbUpgradeAttributesVersionMaxInclusive
    set(minimum_value NULL)
    if(NOT minimum STREQUAL "")
      set(minimum_value "'${minimum}'")
    endif()
    list(APPEND queries
      -q "DELETE FROM `Upgrade` WHERE `ActionProperty` = '${property}'"
      -q "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('${code}', ${minimum_value}, '${maximum}', ${attributes}, '${property}')")
  endforeach()
  if(queries)
    run(${MSIBUILD} ${output} ${queries})
  endif()
  # The folders' access list, each query quoted whole: no list takes its semicolons apart.
  file(READ ${HISTORY_ACCESS_FILE} access)
  string(STRIP "${access}" access)
  foreach(folder HISTORYPARENT HISTORYFOLDER)
    execute_process(COMMAND ${MSIBUILD} ${output} -q "INSERT INTO `MsiLockPermissionsEx` (`MsiLockPermissionsEx`, `LockObject`, `Table`, `SDDL`) VALUES ('${folder}', '${folder}', 'CreateFolder', '${access}')"
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${output}: the access list of ${folder} could not be set")
    endif()
  endforeach()
  sign(${output})
endfunction()

msi(${OUT_DIR}/${BASE}.msi ${VERSION})
if(LATER_MSI)
  msi(${LATER_MSI} ${LATER_VERSION})
endif()
