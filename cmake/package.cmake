# The Debian package, built by CPack's DEB generator from the install component
# "deb" (cmake/install.cmake): scripts/package runs
#   cpack --config <build>/CPackConfig.cmake
# Its dependencies are those of the shared libraries the programs link
# (dpkg-shlibdeps), its binaries stripped.
set(FIVELAPS_PACKAGE_MAINTAINER "Five Laps developers <maintainers@fivelaps.org>"
    CACHE STRING "The Maintainer field of the Debian package")

# The package's own documents: Debian keeps them gzipped.
set(doc ${PROJECT_BINARY_DIR}/packaging/deb)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog ${doc}/changelog COPYONLY)
add_custom_command(OUTPUT ${doc}/changelog.gz
  COMMAND gzip -9nkf changelog
  WORKING_DIRECTORY ${doc} DEPENDS ${doc}/changelog VERBATIM)
add_custom_target(fivelaps_changelog ALL DEPENDS ${doc}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${doc}/changelog.gz
        DESTINATION share/doc/fivelaps COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fivelaps)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Five Laps developers")
set(CPACK_PACKAGE_CONTACT ${FIVELAPS_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
# One package of the "deb" component alone.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL deb)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME fivelaps)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${FIVELAPS_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://fivelaps.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "five laps against the clock on a hilly island track")
# The synopsis is the summary; this is what follows it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Five Laps is a single-player 3D racing game: one physically simulated car,
one hilly closed track with palms, bushes and houses under a sky, five laps
against the clock with split times at two checkpoints and the finish, a
top-ten high-score table with the ghost of its best race, music and engine
sound, full screen, driven from the keyboard or a gamepad.")
include(CPack)
