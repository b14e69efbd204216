# The packages' tests: the built files' manifest and versions, the zips and
# the import tables (package_files.sh), and the MSI under Wine's msiexec.
add_executable(ktrcfg_package_tests package_test.cpp)
target_compile_options(ktrcfg_package_tests PRIVATE ${KTR_WARNINGS})
target_link_libraries(ktrcfg_package_tests PRIVATE ktrharness gtest_main msi version ole32 oleaut32 shell32 uuid)
add_dependencies(ktrcfg_package_tests packages)
get_filename_component(build_root ${CMAKE_BINARY_DIR} DIRECTORY)
string(REPLACE "/" "\\\\" build_root "Z:${build_root}")
target_compile_definitions(ktrcfg_package_tests PRIVATE KTR_BUILD_ROOT=L\"${build_root}\")

if(CMAKE_CROSSCOMPILING_EMULATOR)
  gtest_discover_tests(ktrcfg_package_tests
    WORKING_DIRECTORY ${PROGRAM_DIR}
    TEST_FILTER Packages.*
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)
  # Installs into the prefix and uses the emulator: alone, in its order.
  gtest_discover_tests(ktrcfg_package_tests
    WORKING_DIRECTORY ${PROGRAM_DIR}
    TEST_FILTER PackageInstall.*
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE RESOURCE_LOCK prefix)
  add_test(NAME Packages.ZipContentsAndReviewedImports
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package_files.sh ${CMAKE_OBJDUMP} ${CMAKE_BINARY_DIR}/..
            ${CMAKE_SOURCE_DIR}/packaging ${KTR_VERSION_TEXT})
endif()
