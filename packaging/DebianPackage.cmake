# cpack -G DEB: one package "ondrel" with everything installed. Dependencies come from
# dpkg-shlibdeps. The MIME, desktop and icon caches are refreshed by the triggers that
# shared-mime-info, desktop-file-utils and hicolor-icon-theme hold on their folders, so the
# package needs no maintainer scripts of its own. The library's ldconfig run is a trigger too;
# the empty postinst and postrm keep CPack from writing ones that call ldconfig directly.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ondrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Ondrel developers")
set(CPACK_PACKAGE_CONTACT "${ONDREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and converter for BLP game textures")
set(CPACK_PACKAGE_DESCRIPTION "Ondrel views and converts BLP textures and the formats they are made from:
TGA, BMP, JPEG, PNG and DDS. It shows every mipmap level, the alpha channel
and the header facts of a file, saves BLP1 and BLP2 with JPEG, paletted or
DXT content, and converts whole folders.
.
The package also installs a thumbnailer for freedesktop file managers and a
Qt image-format plugin, so every Qt 6 program can open BLP textures.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Staged through DESTDIR, so the install rules know not to refresh the databases themselves.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_LIST_DIR}/debian/triggers
  ${CMAKE_CURRENT_LIST_DIR}/debian/postinst
  ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debian wants manual pages compressed; compress every one installed, ours and others'.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/CompressManPages.cmake)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
include(CPack)
