# The program above the engine: plain logic per subsystem and the Qt windows
# beside it, one library, then the executables.
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport Network Test)
set(CMAKE_AUTOMOC ON)

set(program_sources)
foreach(dir app prepare export settings)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp
                                      ${CMAKE_SOURCE_DIR}/src/${dir}/*.h)
  list(APPEND program_sources ${sources})
endforeach()
list(FILTER program_sources EXCLUDE REGEX "/main\\.cpp$")

add_library(marklift_program STATIC ${program_sources})
target_include_directories(marklift_program PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(marklift_program PUBLIC marklift_tables Qt6::Widgets Qt6::PrintSupport
                                              Qt6::Network)

if(EXISTS ${CMAKE_SOURCE_DIR}/src/app/main.cpp)
  add_executable(marklift ${CMAKE_SOURCE_DIR}/src/app/main.cpp)
  target_link_libraries(marklift PRIVATE marklift_program)
endif()

# Every window test program shares one QApplication, made before the first
# test and gone before static clean-up.
foreach(dir app prepare export settings)
  marklift_tests(${dir}_tests ${dir} marklift_program Qt6::Test)
  if(TARGET ${dir}_tests)
    target_sources(${dir}_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/qt_test_application.cpp)
  endif()
endforeach()

add_executable(marklift-prepare ${CMAKE_SOURCE_DIR}/src/tools/marklift_prepare.cpp)
target_link_libraries(marklift-prepare PRIVATE marklift_program)

# The builder's tests read a period while a stand-in for ZOLT writes it.
marklift_uses_zolt_writer(prepare_tests)

# Some faults only show in the command-line tool run as a process of its own
# (a read-only directory, a full disk): the export tests run it.
if(TARGET export_tests)
  add_dependencies(export_tests marklift-prepare)
  target_compile_definitions(export_tests PRIVATE
    MARKLIFT_PREPARE_PROGRAM="$<TARGET_FILE:marklift-prepare>")
endif()
