# Install rules and the Debian package.
#   cmake --install <build> [--prefix /usr/local]
#   cpack --config <build>/CPackConfig.cmake -B <build>    -> <build>/wm033_<version>_<arch>.deb
include(GNUInstallDirs)

set(WM033_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

# The program and the tools a station owner uses beside it.
install(TARGETS wm033 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(tool wm033-probe wm033-ds2480b-emulator wm033-soak)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The unit names the program by its full path, made when it is installed, so that it fits the
# prefix given then (`cmake --install --prefix`, or /usr for the package).
install(CODE "
  set(WM033_UNIT_EXEC \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/wm033\")
  configure_file(\"${WM033_PACKAGING_DIR}/systemd/wm033.service.in\"
                 \"${CMAKE_BINARY_DIR}/packaging/wm033.service\" @ONLY)
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\" TYPE FILE
       FILES \"${CMAKE_BINARY_DIR}/packaging/wm033.service\")
")

install(FILES ${WM033_PACKAGING_DIR}/wm033.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# udev reads lib/udev/rules.d under /usr only; a /usr/local install copies the rule to
# /etc/udev/rules.d by hand (see the man page).
install(FILES ${WM033_PACKAGING_DIR}/udev/60-wm033-ds9490.rules DESTINATION lib/udev/rules.d)
install(FILES ${WM033_PACKAGING_DIR}/wm033.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/wm033/demo)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package. dpkg-shlibdeps finds the shared libraries (Qt, libjpeg, libusb) so that apt
# brings them in; fonts are for the text on the graph.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_NAME wm033)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "WM033 maintainers <wm033@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "1-Wire weather station monitor")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "1-Wire weather station monitor\n Reads the thermometers, counters, pressure, humidity and wind vane of a\n 1-Wire weather station (DS9097U serial or DS9490 USB adapter, or a built-in\n simulated MicroLan), shows them, keeps a data log that survives power cuts\n and publishes an HTML page and a JPEG of the graph for a web server. Runs\n with windows or headless under a systemd user unit.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core | fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "udev, systemd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${WM033_PACKAGING_DIR}/debian/postinst
    ${WM033_PACKAGING_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_SOURCE_IGNORE_FILES "/build[^/]*/;/\\\\.git/")
include(CPack)
