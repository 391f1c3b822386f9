# hold-table: the other process for tests that need a table another program
# holds open, on every system (tests/support/hold_table.cpp). The test
# programs that use it (LockingProcess) find it as MARKLIFT_HOLD_TABLE.
add_executable(hold-table ${CMAKE_SOURCE_DIR}/tests/support/hold_table.cpp)
target_link_libraries(hold-table PRIVATE marklift_tables)

foreach(tests tables_tests core_tests cli_tests gui_tests)
  if(TARGET ${tests})
    add_dependencies(${tests} hold-table)
    target_compile_definitions(${tests} PRIVATE MARKLIFT_HOLD_TABLE="$<TARGET_FILE:hold-table>")
  endif()
endforeach()
