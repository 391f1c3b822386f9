# One test program per layer, built from every test file below its folder
# under tests/, which mirrors src/. Test files include their aids from
# tests/ ("support/temp_directory.h").
include(cmake/GoogleTestPackage.cmake)
if(NOT MARKLIFT_GTEST_FOUND)
  return()
endif()

function(marklift_tests name dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    MARKLIFT_FIXTURES="${CMAKE_SOURCE_DIR}/tests/fixtures")
  marklift_register_tests(${name} ${dir})
endfunction()

# The scripted user interface stands in for a person in every test above
# the engine.
add_library(marklift_test_support STATIC ${CMAKE_SOURCE_DIR}/tests/support/scripted_user_interface.cpp)
target_include_directories(marklift_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(marklift_test_support PUBLIC marklift_core)

marklift_tests(platform_tests platform marklift_platform)
marklift_tests(tables_tests tables marklift_tables)
marklift_tests(core_tests core marklift_core marklift_test_support)
target_sources(core_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/scripted_user_interface_test.cpp)

# A stand-in for ZOLT writing a period while the engine and the builder read
# it: the tests of shared reading run it beside them.
add_executable(zolt_writer ${CMAKE_SOURCE_DIR}/tests/support/zolt_writer.cpp
                           ${CMAKE_SOURCE_DIR}/tests/support/ntx_inserter.cpp)
target_link_libraries(zolt_writer PRIVATE marklift_tables)
foreach(tests tables_tests core_tests)
  add_dependencies(${tests} zolt_writer)
  target_compile_definitions(${tests} PRIVATE MARKLIFT_ZOLT_WRITER="$<TARGET_FILE:zolt_writer>")
endforeach()

# Some faults only show in marklift-prepare run as a process of its own (a
# read-only directory, a full disk), and so do the answers and the settings
# file of an installed copy: the command's tests run the programs.
marklift_tests(cli_tests cli marklift_cli marklift_demo_data marklift_test_support)
add_dependencies(cli_tests marklift-prepare xbtool marklift-demo-data)
target_compile_definitions(cli_tests PRIVATE
  MARKLIFT_PREPARE_PROGRAM="$<TARGET_FILE:marklift-prepare>"
  MARKLIFT_XBTOOL_PROGRAM="$<TARGET_FILE:xbtool>"
  MARKLIFT_DEMO_DATA_PROGRAM="$<TARGET_FILE:marklift-demo-data>")

if(MARKLIFT_WITH_QT)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  # Every window test program shares one QApplication, made before the first
  # test and gone before static clean-up.
  foreach(layer report gui)
    marklift_tests(${layer}_tests ${layer} marklift_${layer} marklift_test_support Qt6::Widgets
                   Qt6::Test)
    target_sources(${layer}_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/qt_test_application.cpp)
  endforeach()
endif()

include(cmake/TestPrograms.cmake)

# The include graph runs one way; this check fails on any include against it.
# It is a bash script, which a Windows computer does not run.
if(NOT CMAKE_HOST_WIN32)
  add_test(NAME layers COMMAND ${CMAKE_SOURCE_DIR}/tools/check-layers ${CMAKE_SOURCE_DIR})
  # Every C++ file as clang-format writes it; ./test installs clang-format.
  find_program(MARKLIFT_CLANG_FORMAT clang-format)
  if(MARKLIFT_CLANG_FORMAT)
    add_test(NAME format COMMAND ${CMAKE_SOURCE_DIR}/tools/check-format ${CMAKE_SOURCE_DIR}
                                 ${MARKLIFT_CLANG_FORMAT})
  endif()
endif()
