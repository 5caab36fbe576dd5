# KazInstall.cmake - what `cmake --install` lays out under a prefix, and the
# Debian package `cpack -G DEB` makes of the same files:
#   bin/shell, bin/meshconv, bin/obj2mesh, bin/fontbake, bin/kaz-new-mod
#   <libdir>/kaz/libengine.so   the launcher's RPATH leads here
#   share/kaz/base/             the engine's package, its generated fonts and Engine.py included
#   share/kaz/template/         the new-game template kaz-new-mod writes games from
#   share/doc/kaz/              the README and the guides
# An installed launcher runs the game in the folder given by -basedir (or the
# working folder when it holds mods/) with share/kaz/base; the engine finds
# that folder relative to the launcher's (KAZ_DATA_FROM_BIN, engine/CMakeLists.txt).
include(GNUInstallDirs)

set(kaz_libdir ${CMAKE_INSTALL_LIBDIR}/kaz)
file(RELATIVE_PATH kaz_lib_from_bin /${CMAKE_INSTALL_BINDIR} /${kaz_libdir})
set_target_properties(shell PROPERTIES INSTALL_RPATH "$ORIGIN/${kaz_lib_from_bin}")

install(TARGETS shell meshconv obj2mesh fontbake RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS engine LIBRARY DESTINATION ${kaz_libdir})
install(PROGRAMS ${CMAKE_SOURCE_DIR}/tools/newmod/new-mod.py DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME kaz-new-mod)
# The build's copy of the base package: what the build generates for it is there.
install(DIRECTORY ${KAZ_BIN_DIR}/base DESTINATION ${CMAKE_INSTALL_DATADIR}/kaz)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/tools/newmod/template DESTINATION ${CMAKE_INSTALL_DATADIR}/kaz)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/making-a-game.md
              ${CMAKE_SOURCE_DIR}/docs/scripting.md ${CMAKE_SOURCE_DIR}/docs/models.md
              ${CMAKE_SOURCE_DIR}/docs/effects.md
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kaz)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kaz)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Kaz engine team <kaz@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "small 3D game engine: launcher, engine library, base package and content tools")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The libraries the programs link, as dpkg-shlibdeps finds them; kaz-new-mod
# is a Python script, and Mesa's drivers are loaded at run time, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
include(CPack)
