# The version from project() as a header every layer may include
# ("marklift_version.h"), made when CMake runs.
configure_file(${CMAKE_SOURCE_DIR}/cmake/marklift_version.h.in
               ${CMAKE_BINARY_DIR}/generated/marklift_version.h @ONLY)
add_library(marklift_version INTERFACE)
target_include_directories(marklift_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
