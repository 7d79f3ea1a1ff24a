# The application shell: start-up helpers and the main window.
target_sources(kestal_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PLockedFile.cpp ${CMAKE_CURRENT_LIST_DIR}/PLockedFile.h
  ${CMAKE_CURRENT_LIST_DIR}/PLocalPeer.cpp ${CMAKE_CURRENT_LIST_DIR}/PLocalPeer.h
  ${CMAKE_CURRENT_LIST_DIR}/PQuitOnSignal.cpp ${CMAKE_CURRENT_LIST_DIR}/PQuitOnSignal.h
  ${CMAKE_CURRENT_LIST_DIR}/PInstallPaths.cpp ${CMAKE_CURRENT_LIST_DIR}/PInstallPaths.h)
# The share directory as seen from the installed programs, so that a package
# unpacked anywhere finds its own files; a build tree has none there.
file(RELATIVE_PATH KESTAL_SHARE_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
  ${CMAKE_INSTALL_FULL_DATADIR}/kestal)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/PInstallPaths.cpp PROPERTIES
  COMPILE_DEFINITIONS "KESTAL_SHARE_FROM_BIN=\"${KESTAL_SHARE_FROM_BIN}\"")
target_sources(kestal_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PSingleApplication.cpp ${CMAKE_CURRENT_LIST_DIR}/PSingleApplication.h
  ${CMAKE_CURRENT_LIST_DIR}/Kestal.cpp ${CMAKE_CURRENT_LIST_DIR}/Kestal.h
  ${CMAKE_CURRENT_LIST_DIR}/RFormStatus.cpp ${CMAKE_CURRENT_LIST_DIR}/RFormStatus.h
  ${CMAKE_CURRENT_LIST_DIR}/RFormAbout.cpp ${CMAKE_CURRENT_LIST_DIR}/RFormAbout.h)
