# The library's Debian packages beside the programs' (included by
# packaging/CMakeLists.txt before CPack): each component its own package.
#   dispenser-console      the programs (every install without a component)
#   liblineport1           liblineport.so.1
#   liblineport-widgets1   liblineport-widgets.so.1
#   liblineport-dev        headers, static libraries, CMake and pkg-config files
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Unspecified lineport-runtime lineport-dev)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME dispenser-console)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(version ${CPACK_PACKAGE_VERSION})

# CPack puts the project's summary above every package's description: each
# package's own first line is its summary instead, the programs' as before.
set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION
    "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)

# Each library package: the copyright and changelog Debian asks of every
# package, and ldconfig by trigger (CPack would call it from postinst and
# postrm, which lintian rejects).
function(library_package component package)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package} PARENT_SCOPE)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
  if(NOT component STREQUAL "lineport-dev")
    set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION libs PARENT_SCOPE)
    set(CPACK_DEBIAN_${upper}_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/sdk/debian/triggers
        ${PROJECT_SOURCE_DIR}/sdk/debian/postinst ${PROJECT_SOURCE_DIR}/sdk/debian/postrm PARENT_SCOPE)
  endif()
endfunction()

library_package(lineport-runtime liblineport1)
set(CPACK_COMPONENT_LINEPORT-RUNTIME_DESCRIPTION
    "serial port engine with Windows comm semantics (shared library)
lineport opens serial ports and pseudo-terminals with the semantics of
Windows comm devices: a port component with its settings, line events
handed to the main thread, links, settings as text and in ini files.
.
This package holds the shared library.")
set(dev_depends "liblineport1 (= ${version})")

if(TARGET lineport_widgets)
  list(APPEND CPACK_COMPONENTS_ALL lineport-widgets-runtime)
  library_package(lineport-widgets-runtime liblineport-widgets1)
  set(CPACK_COMPONENT_LINEPORT-WIDGETS-RUNTIME_DESCRIPTION
      "Qt widgets bound to lineport's serial ports (shared library)
The settings combo boxes and the signal LED of lineport, as Qt 6 widgets
that follow a port and write the operator's choice to it.
.
This package holds the shared library.")
  # dpkg-shlibdeps finds liblineport.so.1 in no installed package: it is
  # named here, the system's libraries are found as usual.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/sdk)
  set(CPACK_DEBIAN_LINEPORT-WIDGETS-RUNTIME_PACKAGE_DEPENDS "liblineport1 (= ${version})")
  string(APPEND dev_depends ", liblineport-widgets1 (= ${version}), qt6-base-dev")
endif()

library_package(lineport-dev liblineport-dev)
set(CPACK_DEBIAN_LINEPORT-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LINEPORT-DEV_PACKAGE_DEPENDS "${dev_depends}")
set(CPACK_DEBIAN_LINEPORT-DEV_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_LINEPORT-DEV_DESCRIPTION
    "serial port engine with Windows comm semantics (development files)
lineport opens serial ports and pseudo-terminals with the semantics of
Windows comm devices: a port component with its settings, line events
handed to the main thread, links, settings as text and in ini files, and
Qt widgets bound to a port.
.
This package holds the headers, the static libraries, the CMake package
(find_package(lineport CONFIG)) and the pkg-config files.")
