# Run by `cmake --install`: writes the desktop entry naming the program at the prefix installed
# to (known only now, as --prefix may differ from the configured one) and installs it.
# In: VELMORAND_APP_ID, VELMORAND_BINDIR, VELMORAND_DATADIR, VELMORAND_DESKTOP_TEMPLATE,
# VELMORAND_DESKTOP_STAGING.
if(IS_ABSOLUTE "${VELMORAND_BINDIR}")
  set(program "${VELMORAND_BINDIR}/velmorand")
else()
  set(program "${CMAKE_INSTALL_PREFIX}/${VELMORAND_BINDIR}/velmorand")
endif()
if(IS_ABSOLUTE "${VELMORAND_DATADIR}")
  set(datadir "${VELMORAND_DATADIR}")
else()
  set(datadir "${CMAKE_INSTALL_PREFIX}/${VELMORAND_DATADIR}")
endif()

# Exec quotes the path (characters special inside the quotes get a backslash, "%" doubles), then
# every backslash doubles once more as in any value of a desktop entry.
string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" quoted "${program}")
string(REPLACE "%" "%%" quoted "${quoted}")
string(REPLACE "\\" "\\\\" VELMORAND_EXEC "\"${quoted}\"")
string(REPLACE "\\" "\\\\" VELMORAND_TRY_EXEC "${program}")

configure_file("${VELMORAND_DESKTOP_TEMPLATE}" "${VELMORAND_DESKTOP_STAGING}/${VELMORAND_APP_ID}.desktop" @ONLY)
file(INSTALL DESTINATION "${datadir}/applications" TYPE FILE
  FILES "${VELMORAND_DESKTOP_STAGING}/${VELMORAND_APP_ID}.desktop")
