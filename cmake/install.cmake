# Install layouts. Each has the launcher (as "fivelaps"), the game binary and the
# mode probe in a folder of their own, the generated data and the default
# Config.txt and HighScore5.hs, a desktop entry, an icon, the AppStream metainfo
# and the manual page.
# - "cmake --install" (for example with --prefix ~/.local): the launcher in bin/,
#   the programs in libexec/fivelaps/, the data in share/fivelaps/.
# - The Debian package (component "deb", left out of a plain install; see
#   cmake/package.cmake): the launcher in games/, the programs in
#   lib/games/fivelaps/, the data in share/games/fivelaps/, under /usr.
# The launcher finds the rest relative to itself, so a DESTDIR staging tree or an
# unpacked package runs as it is; the player's own files live in the user's data
# directory and are never installed over.
include(GNUInstallDirs)

# The game's id for desktops and software centres: the names of its desktop
# entry, icon and metainfo.
set(FIVELAPS_APP_ID org.fivelaps.FiveLaps)

# Folders made by an installation are 0755 whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# fivelaps_install_layout(<name> <bindir> <programdir> <datadir> <sharedir> <mandir>
#                         [COMPONENT <c> EXCLUDE_FROM_ALL])
# Folders are relative to the install prefix; <sharedir> holds the desktop entry,
# the icon and the metainfo. The rest of the arguments go to every install() of
# the layout.
function(fivelaps_install_layout name bindir programdir datadir sharedir mandir)
  set(out ${PROJECT_BINARY_DIR}/packaging/${name})
  # Only relative paths can be baked in: the prefix given to "cmake --install" may differ.
  file(RELATIVE_PATH FIVELAPS_LAUNCH_TO_LIBEXEC /prefix/${bindir} /prefix/${programdir})
  file(RELATIVE_PATH FIVELAPS_LAUNCH_TO_DATA /prefix/${bindir} /prefix/${datadir})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/fivelaps-launch.in ${out}/fivelaps
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)
  # The manual names the installed places: absolute in a package, from the prefix otherwise.
  if(FIVELAPS_LAYOUT_PREFIX_${name})
    set(prefix ${FIVELAPS_LAYOUT_PREFIX_${name}})
  else()
    set(prefix "\\fIprefix\\fP")
  endif()
  set(FIVELAPS_MAN_DATA ${prefix}/${datadir})
  set(FIVELAPS_MAN_LIBEXEC ${prefix}/${programdir})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/fivelaps.6.in ${out}/fivelaps.6 @ONLY)
  add_custom_command(OUTPUT ${out}/fivelaps.6.gz
    COMMAND gzip -9nkf fivelaps.6
    WORKING_DIRECTORY ${out} DEPENDS ${out}/fivelaps.6 VERBATIM)
  add_custom_target(fivelaps_manual_${name} ALL DEPENDS ${out}/fivelaps.6.gz)

  install(TARGETS fivelaps modeprobe RUNTIME DESTINATION ${programdir} ${ARGN})
  install(PROGRAMS ${out}/fivelaps DESTINATION ${bindir} ${ARGN})
  install(DIRECTORY ${PROJECT_BINARY_DIR}/game/Data DESTINATION ${datadir} ${ARGN})
  install(FILES ${PROJECT_BINARY_DIR}/game/Config.txt ${PROJECT_BINARY_DIR}/game/HighScore5.hs
          DESTINATION ${datadir} ${ARGN})
  set(pkg ${PROJECT_SOURCE_DIR}/packaging)
  install(FILES ${pkg}/${FIVELAPS_APP_ID}.desktop DESTINATION ${sharedir}/applications ${ARGN})
  install(FILES ${pkg}/${FIVELAPS_APP_ID}.svg DESTINATION ${sharedir}/icons/hicolor/scalable/apps ${ARGN})
  install(FILES ${pkg}/${FIVELAPS_APP_ID}.metainfo.xml DESTINATION ${sharedir}/metainfo ${ARGN})
  install(FILES ${out}/fivelaps.6.gz DESTINATION ${mandir}/man6 ${ARGN})
endfunction()

# Installed after the targets are defined: include this file at the end.
fivelaps_install_layout(plain ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_LIBEXECDIR}/fivelaps
                        ${CMAKE_INSTALL_DATADIR}/fivelaps ${CMAKE_INSTALL_DATADIR} ${CMAKE_INSTALL_MANDIR})
set(FIVELAPS_LAYOUT_PREFIX_deb /usr)
fivelaps_install_layout(deb games lib/games/fivelaps share/games/fivelaps share share/man
                        COMPONENT deb EXCLUDE_FROM_ALL)

# Tests that stage an installation look for this.
set(FIVELAPS_INSTALL_RULES ON)
