# hold-table: the other process for tests that need a table another program
# holds open, on every system (tests/support/hold_table.cpp). A test program
# that uses it names it here and finds it as MARKLIFT_HOLD_TABLE.
add_executable(hold-table ${CMAKE_SOURCE_DIR}/tests/support/hold_table.cpp)
target_link_libraries(hold-table PRIVATE marklift_tables)

function(marklift_tests_use_hold_table name)
  add_dependencies(${name} hold-table)
  target_compile_definitions(${name} PRIVATE MARKLIFT_HOLD_TABLE="$<TARGET_FILE:hold-table>")
endfunction()

marklift_tests_use_hold_table(tables_tests)
