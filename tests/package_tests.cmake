# The packages' tests: the built files' manifest and versions, the zips and
# the import tables (package_files.sh), and the MSI under Wine's msiexec.
add_executable(ktrcfg_package_tests package_test.cpp)
target_compile_options(ktrcfg_package_tests PRIVATE ${KTR_WARNINGS})
target_link_libraries(ktrcfg_package_tests PRIVATE ktrharness gtest_main msi version ole32 oleaut32 shell32 uuid)
add_dependencies(ktrcfg_package_tests packages)
get_filename_component(build_root ${CMAKE_BINARY_DIR} DIRECTORY)
string(REPLACE "/" "\\\\" build_root "Z:${build_root}")
# The one version and the oldest Windows, as the version file states them.
target_compile_definitions(ktrcfg_package_tests PRIVATE KTR_BUILD_ROOT=L\"${build_root}\"
  KTR_PROJECT_VERSION=L\"${PROJECT_VERSION}\" KTR_OLDEST_WINDOWS=L\"${KTR_OLDEST_WINDOWS}\")

if(CMAKE_CROSSCOMPILING_EMULATOR)
  gtest_discover_tests(ktrcfg_package_tests
    WORKING_DIRECTORY ${PROGRAM_DIR}
    TEST_FILTER Packages.*
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)
  # Whether the installed 32-bit program can be started: the x86 tests' own
  # probe (scripts/common.sh), its answer in a file that the install test reads.
  add_test(NAME PackageInstall.Probe32Bit
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package_files.sh probe ${CMAKE_BINARY_DIR}/runs-32bit.txt)
  set_tests_properties(PackageInstall.Probe32Bit PROPERTIES FIXTURES_SETUP probe32)
  # Installs into the prefix and uses the emulator: alone, in its order.
  gtest_discover_tests(ktrcfg_package_tests
    WORKING_DIRECTORY ${PROGRAM_DIR}
    TEST_FILTER PackageInstall.*
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE RESOURCE_LOCK prefix FIXTURES_REQUIRED probe32)
  add_test(NAME Packages.ZipContentsAndReviewedImports
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package_files.sh contents ${CMAKE_OBJDUMP} ${CMAKE_BINARY_DIR}/..
            ${CMAKE_SOURCE_DIR}/packaging ${KTR_VERSION_TEXT} ${KTR_OLDEST_WINDOWS})
  add_test(NAME Packages.SignedWithTheGivenCertificate
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package_files.sh signed ${CMAKE_BINARY_DIR}/.. ${KTR_VERSION_TEXT})
  set_tests_properties(Packages.SignedWithTheGivenCertificate PROPERTIES TIMEOUT 300)
endif()
