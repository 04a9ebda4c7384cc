# Install layout: the launcher in bin/ (as "fivelaps"), the game binary and the
# mode probe in libexec/fivelaps/, the generated data and the default Config.txt
# and HighScore5.hs in share/fivelaps/, plus a desktop entry and an icon.
# The launcher finds the rest relative to itself, so a DESTDIR staging tree runs
# as it is; the player's own files live in the user's data directory and are
# never installed over.
include(GNUInstallDirs)

set(FIVELAPS_INSTALL_LIBEXEC ${CMAKE_INSTALL_LIBEXECDIR}/fivelaps)
set(FIVELAPS_INSTALL_DATA ${CMAKE_INSTALL_DATADIR}/fivelaps)
# Only relative paths can be baked in: the prefix given to "cmake --install" may differ.
file(RELATIVE_PATH FIVELAPS_LAUNCH_TO_LIBEXEC ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR}/fivelaps)
file(RELATIVE_PATH FIVELAPS_LAUNCH_TO_DATA ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/fivelaps)
configure_file(${PROJECT_SOURCE_DIR}/packaging/fivelaps-launch.in ${PROJECT_BINARY_DIR}/packaging/fivelaps-launch
               @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
               WORLD_READ WORLD_EXECUTE)

# By file name, so that this file may be included before the targets are defined.
install(PROGRAMS $<TARGET_FILE:fivelaps> $<TARGET_FILE:modeprobe> DESTINATION ${FIVELAPS_INSTALL_LIBEXEC})
install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/fivelaps-launch DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME fivelaps)
install(DIRECTORY ${PROJECT_BINARY_DIR}/game/Data DESTINATION ${FIVELAPS_INSTALL_DATA})
install(FILES ${PROJECT_BINARY_DIR}/game/Config.txt ${PROJECT_BINARY_DIR}/game/HighScore5.hs
        DESTINATION ${FIVELAPS_INSTALL_DATA})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/fivelaps.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/fivelaps.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Tests that stage an installation look for this.
set(FIVELAPS_INSTALL_RULES ON)
