# The Debian package: `cpack -G DEB` in the build folder makes
# tamiro_<version>_<architecture>.deb of what `cmake --install` installs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tamiro)
set(CPACK_PACKAGE_VENDOR "The Tamiro developers")
set(CPACK_PACKAGE_CONTACT "${TAMIRO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "learning games for children of four to eight")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_LIST_DIR}/description.txt)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries (the speech library, libespeak-ng1,
# from the audio module); the program also loads the soundfont for its
# music, the voices for its spoken words and draws with Liberation Sans
# where it asks for Arial.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, timgm6mb-soundfont, espeak-ng-data")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
