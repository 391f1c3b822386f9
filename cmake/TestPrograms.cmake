# The other processes of the tests, on every system (tests/support): hold-table
# holds a table open the way the engine does (LockingProcess), lock-byte
# takes a byte-range lock. The test programs that use them find them as
# MARKLIFT_HOLD_TABLE and MARKLIFT_LOCK_BYTE.
add_executable(hold-table ${CMAKE_SOURCE_DIR}/tests/support/hold_table.cpp)
target_link_libraries(hold-table PRIVATE marklift_tables)
add_executable(lock-byte ${CMAKE_SOURCE_DIR}/tests/support/lock_byte.cpp)
target_link_libraries(lock-byte PRIVATE marklift_platform)

add_dependencies(platform_tests lock-byte)
target_compile_definitions(platform_tests PRIVATE MARKLIFT_LOCK_BYTE="$<TARGET_FILE:lock-byte>")

foreach(tests tables_tests core_tests cli_tests gui_tests)
  if(TARGET ${tests})
    add_dependencies(${tests} hold-table)
    target_compile_definitions(${tests} PRIVATE MARKLIFT_HOLD_TABLE="$<TARGET_FILE:hold-table>")
  endif()
endforeach()
