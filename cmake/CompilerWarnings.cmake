# Warnings on everywhere, whatever the compiler, and errors where
# MARKLIFT_WERROR asks (CI); a user's build compiles with the defaults.
if(MSVC)
  # /utf-8: the sources are UTF-8 and so are the texts the program keeps.
  # The C library's "unsafe" warnings are about functions the program uses
  # on purpose (localtime, getenv) from one thread.
  add_compile_options(/W4 /utf-8 /permissive- /Zc:__cplusplus)
  add_compile_definitions(_CRT_SECURE_NO_WARNINGS)
  if(MARKLIFT_WERROR)
    add_compile_options(/WX)
  endif()
else()
  add_compile_options(-Wall -Wextra)
  # g++ 12 at -O3 reports string concatenations as overlapping copies (GCC bug
  # 105329), which would fail every optimised build under -Werror.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    add_compile_options(-Wno-restrict)
  endif()
  if(MARKLIFT_WERROR)
    add_compile_options(-Werror)
  endif()
endif()
