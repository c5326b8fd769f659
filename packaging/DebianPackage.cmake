# cpack -G DEB: the packages as Debian splits them (PackageNames.cmake): the codec library in
# libormel-blp0 (with its shlibs file and the ldconfig trigger, no scripts), the program in ondrel, each
# plugin in a package of its own that needs the library, not the program, and the MIME type
# they all rely on in ondrel-common. dpkg-shlibdeps adds the system libraries. The MIME, desktop,
# icon and gdk-pixbuf loader caches are refreshed by the triggers their owners hold on those
# folders, so no package has maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PACKAGE_NAME ondrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Ondrel developers")
set(CPACK_PACKAGE_CONTACT "${ONDREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SOURCE ondrel)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Staged through DESTDIR, so the install rules know not to refresh the databases themselves.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own library is found in the build, its dependency written by hand below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${ONDREL_PROGRAM_DIR})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debian wants manual pages compressed; compress every one installed, ours and others'.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/CompressManPages.cmake)

set(ondrel_library "libormel-blp0 (= ${PROJECT_VERSION})")
set(ondrel_common "ondrel-common (= ${PROJECT_VERSION})")
set(ondrel_description_tail "
.
Ondrel views and converts BLP game textures and the formats they are made
from: TGA, BMP, JPEG, PNG and DDS.")

set(CPACK_COMPONENTS_ALL)
foreach(component ${ONDREL_PACKAGE_COMPONENTS})
  if(component STREQUAL Unspecified OR TARGET ${ONDREL_COMPONENT_TARGET_${component}})
    list(APPEND CPACK_COMPONENTS_ALL ${component})
    string(TOUPPER ${component} c)
    set(CPACK_DEBIAN_${c}_PACKAGE_NAME ${ONDREL_PACKAGE_${component}})
  endif()
endforeach()

# The program: viewer, converter, thumbnailer, language files, desktop data.
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_DEPENDS "${ondrel_library}, ${ondrel_common}, qt6-qpa-plugins")
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_SUGGESTS
  "ondrel-qt6-imageformat, ondrel-qt5-imageformat, ondrel-pixbuf-loader")
set(CPACK_COMPONENT_UNSPECIFIED_DESCRIPTION "viewer and converter for BLP game textures
Ondrel views and converts BLP textures and the formats they are made from:
TGA, BMP, JPEG, PNG and DDS. It shows every mipmap level, the alpha channel
and the header facts of a file, saves BLP1 and BLP2 with JPEG, paletted or
DXT content, and converts whole folders.
.
The package also installs ondrel-convert for the command line and a
thumbnailer for freedesktop file managers (BLP, DDS and TGA).")

set(CPACK_DEBIAN_COMMON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_COMMON_PACKAGE_RECOMMENDS "shared-mime-info")
set(CPACK_COMPONENT_COMMON_DESCRIPTION "BLP texture MIME type for Ondrel and its plugins
This package declares the image/x-blp type (Blizzard Texture) to the shared
MIME database, told by the file's BLP1 or BLP2 signature.${ondrel_description_tail}")

set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SHLIBDEPS OFF)
set(ONDREL_LIBRARY_FILE "${ONDREL_PROGRAM_DIR}/libormel_blp.so.0")
configure_file(${CMAKE_CURRENT_LIST_DIR}/LibraryDepends.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/LibraryDepends.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/LibraryDepends.cmake)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/shlibs.in ${CMAKE_CURRENT_BINARY_DIR}/debian/shlibs @ONLY)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_LIST_DIR}/debian/triggers ${CMAKE_CURRENT_BINARY_DIR}/debian/shlibs)
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION "BLP texture codec library of Ondrel
The ormel_blp library reads and writes BLP1 and BLP2 textures (JPEG,
paletted, DXT and raw content) and the TGA, DDS and JPEG files they are made
from, through a small C interface.${ondrel_description_tail}")

set(CPACK_DEBIAN_QT6PLUGIN_PACKAGE_DEPENDS "${ondrel_library}")
set(CPACK_DEBIAN_QT6PLUGIN_PACKAGE_RECOMMENDS "${ondrel_common}")
set(CPACK_COMPONENT_QT6PLUGIN_DESCRIPTION "BLP texture support for Qt 6 programs
This Qt 6 image-format plugin lets every Qt 6 program read BLP textures (each
mipmap level is an image) and write BLP2 DXT or BLP1 JPEG files.${ondrel_description_tail}")

set(CPACK_DEBIAN_QT5PLUGIN_PACKAGE_DEPENDS "${ondrel_library}")
set(CPACK_DEBIAN_QT5PLUGIN_PACKAGE_RECOMMENDS "${ondrel_common}")
set(CPACK_COMPONENT_QT5PLUGIN_DESCRIPTION "BLP texture support for Qt 5 programs
This Qt 5 image-format plugin lets Qt 5 programs (KDE Plasma 5's Gwenview and
Dolphin thumbnails, LXImage-Qt) read BLP textures and write BLP2 DXT or BLP1
JPEG files.${ondrel_description_tail}")

set(CPACK_DEBIAN_PIXBUF_PACKAGE_DEPENDS "${ondrel_library}, ${ondrel_common}")
set(CPACK_COMPONENT_PIXBUF_DESCRIPTION "BLP texture support for GTK programs (gdk-pixbuf loader)
This gdk-pixbuf loader lets GTK programs (Eye of GNOME, file choosers,
gdk-pixbuf thumbnails) show the largest level of BLP textures with their
alpha channel.${ondrel_description_tail}")
include(CPack)
