# src/platform keeps one implementation per operating system beside the code
# they share: name_posix.cpp and name_windows.cpp. The build keeps the one for
# the system it builds for.
if(WIN32)
  set(MARKLIFT_FOREIGN_SOURCES "_posix\\.cpp$")
  # The libraries the Windows side calls into beyond kernel32:
  # CommandLineToArgvW, SHGetKnownFolderPath and CoTaskMemFree.
  set(MARKLIFT_SYSTEM_LIBRARIES shell32 ole32)
  # Windows 10 and later: the calls the Windows side makes
  # (SetFileInformationByHandle and the like) are declared for it, and
  # windows.h brings neither min/max macros nor the rarely used headers.
  add_compile_definitions(_WIN32_WINNT=0x0A00 NOMINMAX WIN32_LEAN_AND_MEAN)
else()
  set(MARKLIFT_FOREIGN_SOURCES "_windows\\.cpp$")
endif()

# Drops from the list variable named `list_name` the files written for
# another system.
function(marklift_own_system_sources list_name)
  set(kept ${${list_name}})
  list(FILTER kept EXCLUDE REGEX "${MARKLIFT_FOREIGN_SOURCES}")
  set(${list_name} ${kept} PARENT_SCOPE)
endfunction()
