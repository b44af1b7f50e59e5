# What `cmake --install` puts where, and the Debian package `cpack -G DEB`
# makes of it. The executables, and the window's desktop entry and icon,
# install themselves beside their targets.

set(USBLINK_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  # udev reads /usr/lib and /usr/local/lib alike, so the rule follows the prefix.
  install(FILES ${USBLINK_PACKAGING_DIR}/70-usblink.rules DESTINATION lib/udev/rules.d)
endif()

set(CPACK_PACKAGE_NAME usblink)
set(CPACK_PACKAGE_VENDOR "usblink")
set(CPACK_PACKAGE_CONTACT "usblink maintainers <maintainers@usblink.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware updater for the USB HID calculator 04FC:0C77")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "usblink writes *.UD firmware images into the calculator's flash bank by bank, with a\n"
       "checksum for every bank, and reads the flash back. It comes as a window and as\n"
       "usblink-cli for scripts. The udev rule lets the user at the seat use the calculator\n"
       "without root.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS udev)
find_program(USBLINK_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(USBLINK_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.36), libstdc++6 (>= 12), libgcc-s1")
endif()
# Load the rule at once, so a calculator plugged in after the install works.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${USBLINK_PACKAGING_DIR}/deb/postinst ${USBLINK_PACKAGING_DIR}/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

if(USBLINK_TESTS AND NOT USBLINK_SANITIZE AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
  find_program(USBLINK_DPKG_DEB dpkg-deb)
  if(USBLINK_DPKG_DEB)
    add_test(NAME debian_package
             COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check-deb.sh ${CMAKE_BINARY_DIR}
                     ${CMAKE_CURRENT_BINARY_DIR}/package-test)
  endif()
endif()
