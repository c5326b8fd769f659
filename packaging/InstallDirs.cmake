# Where an installation puts things: the GNU layout, with libraries in Debian's multiarch folder
# (lib/x86_64-linux-gnu) whatever the prefix, so a test prefix looks like /usr.
include(GNUInstallDirs)
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(ONDREL_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE})
else()
  set(ONDREL_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR})
endif()
set(ONDREL_INSTALL_PLUGINDIR ${ONDREL_INSTALL_LIBDIR}/qt6/plugins)
set(ONDREL_INSTALL_QT5_PLUGINDIR ${ONDREL_INSTALL_LIBDIR}/qt5/plugins)
