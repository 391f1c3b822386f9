# A layer is one static library built from every source file below its
# folder, so a new file needs no edit here. Includes are written from src/
# ("core/config/settings_file.h").
function(marklift_library name dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp
                                              ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()
