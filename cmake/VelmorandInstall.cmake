# Where `cmake --install` puts the program: the executable in bin, its private resources (the
# proxy core wrapper, its data files and the stand-ins of the macOS tools) in libexec/velmorand,
# and a desktop entry and icon where desktops look for them. The program finds its resources
# relative to its own location, so the prefix can be chosen at install time.
include(GNUInstallDirs)

set(VELMORAND_APP_ID velmorand)
set(VELMORAND_INSTALL_RESOURCES_DIR ${CMAKE_INSTALL_LIBEXECDIR}/velmorand)
file(RELATIVE_PATH VELMORAND_INSTALLED_RESOURCES
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR}/velmorand)

# The desktop entry, written at install time, and the icon it names.
install(CODE "
  set(VELMORAND_APP_ID \"${VELMORAND_APP_ID}\")
  set(VELMORAND_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
  set(VELMORAND_DATADIR \"${CMAKE_INSTALL_DATADIR}\")
  set(VELMORAND_DESKTOP_TEMPLATE \"${PROJECT_SOURCE_DIR}/resources/desktop/velmorand.desktop.in\")
  set(VELMORAND_DESKTOP_STAGING \"${PROJECT_BINARY_DIR}/desktop\")
")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/InstallDesktopEntry.cmake)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/app-icon.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME ${VELMORAND_APP_ID}.svg)
