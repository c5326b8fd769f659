# The Debian packages and the install components they hold. A component whose target was not
# built (no Qt 5 or gdk-pixbuf development files) has no package.
set(ONDREL_PACKAGE_COMPONENTS Unspecified common library qt6plugin qt5plugin pixbuf)
set(ONDREL_PACKAGE_Unspecified ondrel)
set(ONDREL_PACKAGE_common ondrel-common)
set(ONDREL_PACKAGE_library libormel-blp0)
set(ONDREL_PACKAGE_qt6plugin ondrel-qt6-imageformat)
set(ONDREL_PACKAGE_qt5plugin ondrel-qt5-imageformat)
set(ONDREL_PACKAGE_pixbuf ondrel-pixbuf-loader)
set(ONDREL_COMPONENT_TARGET_common ondrel)
set(ONDREL_COMPONENT_TARGET_library ormel_blp)
set(ONDREL_COMPONENT_TARGET_qt6plugin qblp)
set(ONDREL_COMPONENT_TARGET_qt5plugin qblp_qt5)
set(ONDREL_COMPONENT_TARGET_pixbuf pixbufloader-blp)
