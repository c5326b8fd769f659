# Hardening as Debian builds its packages: the flags dpkg-buildflags gives with every hardening
# feature on (fortify, stack protector, format checks, relro, bind-now), and PIE executables.
# Optimisation and debug flags stay the build type's. Not for sanitizer or fuzz builds, whose
# instrumentation does the checking there. Off where dpkg-buildflags is missing.
option(ONDREL_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ON)
if(NOT ONDREL_HARDENING OR ONDREL_SANITIZE OR ONDREL_BUILD_FUZZ)
  return()
endif()
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  message(STATUS "dpkg-buildflags not found: building without Debian's hardening flags")
  return()
endif()

function(ondrel_debian_flags variable out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                          ${DPKG_BUILDFLAGS} --get ${variable}
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  # The build type chooses these; the path map would make ccache's hits depend on the folder.
  list(FILTER flags EXCLUDE REGEX "^-g$|^-O[0-9s]?$|^-ffile-prefix-map=|^-fdebug-prefix-map=")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

ondrel_debian_flags(CPPFLAGS cppflags)
ondrel_debian_flags(CXXFLAGS cxxflags)
ondrel_debian_flags(CFLAGS cflags)
ondrel_debian_flags(LDFLAGS ldflags)
add_compile_options(${cppflags} "$<$<COMPILE_LANGUAGE:CXX>:${cxxflags}>"
                    "$<$<COMPILE_LANGUAGE:C>:${cflags}>")
add_link_options(${ldflags})

include(CheckPIESupported)
check_pie_supported()
