# Where `cmake --install` and the package put the programs, the menu entry
# and its icon, the manual pages and the guide: the GNU directory layout,
# with the documentation under the package's name (GNUInstallDirs, which Qt
# has already included, would name it after the project, Marklift).
include(GNUInstallDirs)
set(marklift_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/marklift)

install(TARGETS marklift-prepare xbtool marklift-demo-data
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(marklift_manuals marklift-prepare xbtool marklift-demo-data)
if(MARKLIFT_WITH_QT)
  install(TARGETS marklift RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND marklift_manuals marklift)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/marklift.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/marklift.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/packaging/icons/hicolor/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()

install(FILES ${CMAKE_SOURCE_DIR}/docs/guide.md DESTINATION ${marklift_docdir})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/images DESTINATION ${marklift_docdir})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/copyright DESTINATION ${marklift_docdir})

# Manual pages and the package's change log are installed compressed, as
# Debian has them; gzip -n keeps the name and time out of the files, so the
# same sources give the same bytes. Without gzip (Windows) neither is made.
find_program(MARKLIFT_GZIP gzip)
if(MARKLIFT_GZIP)
  set(marklift_compressed_files)
  # Makes ${CMAKE_BINARY_DIR}/`target`.gz from `source` when building.
  function(marklift_compress source target)
    get_filename_component(folder ${CMAKE_BINARY_DIR}/${target} DIRECTORY)
    add_custom_command(
      OUTPUT ${CMAKE_BINARY_DIR}/${target}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${CMAKE_BINARY_DIR}/${target}
      COMMAND ${MARKLIFT_GZIP} -9nf ${CMAKE_BINARY_DIR}/${target}
      DEPENDS ${source}
      VERBATIM)
    set(marklift_compressed_files ${marklift_compressed_files} ${CMAKE_BINARY_DIR}/${target}.gz
        PARENT_SCOPE)
  endfunction()

  foreach(page IN LISTS marklift_manuals)
    # The pages name the version in their footer.
    configure_file(${CMAKE_SOURCE_DIR}/packaging/man/${page}.1
                   ${CMAKE_BINARY_DIR}/man/versioned/${page}.1 @ONLY)
    marklift_compress(${CMAKE_BINARY_DIR}/man/versioned/${page}.1 man/${page}.1)
    install(FILES ${CMAKE_BINARY_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  marklift_compress(${CMAKE_SOURCE_DIR}/packaging/debian/changelog debian/changelog.Debian)
  install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz DESTINATION ${marklift_docdir})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME marklift)
  add_custom_target(marklift_compressed_docs ALL DEPENDS ${marklift_compressed_files})
endif()
