# GoogleTest: the system's package, or, where there is none for the system
# built for (a cross build for Windows), built here from the sources Debian's
# googletest package puts in /usr/src/googletest.
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  set(MARKLIFT_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources")
  if(NOT EXISTS ${MARKLIFT_GTEST_SOURCE_DIR}/CMakeLists.txt)
    # A program build where no GoogleTest is at hand (a Windows computer
    # without one) goes on without the tests.
    message(WARNING "GoogleTest is neither installed for this system nor found in "
                    "${MARKLIFT_GTEST_SOURCE_DIR} (Debian's googletest package): "
                    "the tests are not built")
    return()
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # Its code is not ours: it builds with its own warnings, not ours as errors.
  get_directory_property(marklift_options COMPILE_OPTIONS)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
  add_subdirectory(${MARKLIFT_GTEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL SYSTEM)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${marklift_options}")
endif()
set(MARKLIFT_GTEST_FOUND ON)
include(GoogleTest)

# Registers the test program `name` with CTest, labelled with its layer.
# Natively each test case is a CTest test of its own; a cross-built program
# runs whole under the emulator (Wine), which is started once per program
# rather than once per case, and writes its results to wine/test-results/
# (where Wine may write), from which the skipped cases are counted.
function(marklift_register_tests name layer)
  if(CMAKE_CROSSCOMPILING)
    # A path relative to the build folder: a Windows program takes a path
    # from / as one on its current drive.
    add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:wine/test-results/${name}.xml
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(${name} PROPERTIES LABELS ${layer})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${layer})
  endif()
endfunction()
