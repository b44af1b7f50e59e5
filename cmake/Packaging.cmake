# What `cmake --install` puts where, and the Debian package `cpack -G DEB`
# makes of it. The executables, and the window's desktop entry and icon,
# install themselves beside their targets; the manual pages come from
# cmake/ManPages.cmake.

include(GNUInstallDirs)
set(USBLINK_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(USBLINK_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)

set(CPACK_PACKAGE_CONTACT "usblink maintainers <maintainers@usblink.invalid>")
# The window's id for software centres.
set(USBLINK_APPSTREAM_ID invalid.usblink.usblink)

# The calculator's ids, as the protocol defines them, for the files that name
# the device to the software centre and to the reader. (AccessHintTest holds
# the udev rule to them.)
file(STRINGS ${PROJECT_SOURCE_DIR}/src/platform/hid/CalculatorIds.h usblink_id_lines
     REGEX "kCalculator(Vendor|Product)Id = 0x")
string(REGEX MATCH "VendorId = 0x([0-9A-F]+)" usblink_match "${usblink_id_lines}")
set(USBLINK_VENDOR_ID ${CMAKE_MATCH_1})
string(REGEX MATCH "ProductId = 0x([0-9A-F]+)" usblink_match "${usblink_id_lines}")
set(USBLINK_PRODUCT_ID ${CMAKE_MATCH_1})
if(NOT USBLINK_VENDOR_ID OR NOT USBLINK_PRODUCT_ID)
  message(FATAL_ERROR "CalculatorIds.h: the calculator's ids not found")
endif()

# The release: the changelog's latest entry is for this version, and gives its date.
file(STRINGS ${USBLINK_PACKAGING_DIR}/deb/changelog usblink_changelog)
list(GET usblink_changelog 0 usblink_entry)
if(NOT usblink_entry MATCHES "^usblink \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/deb/changelog: the latest entry is not for ${PROJECT_VERSION}: "
                      "add one for this version")
endif()
list(FILTER usblink_changelog INCLUDE REGEX "^ -- ")
list(GET usblink_changelog 0 usblink_trailer)
if(NOT usblink_trailer MATCHES ">  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9]+) ")
  message(FATAL_ERROR "packaging/deb/changelog: the latest entry's date is not as `date -R` "
                      "writes it")
endif()
set(usblink_day ${CMAKE_MATCH_1})
set(usblink_year ${CMAKE_MATCH_3})
set(usblink_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND usblink_months "${CMAKE_MATCH_2}" usblink_month)
math(EXPR usblink_month "${usblink_month} + 1")
if(usblink_month LESS 10)
  set(usblink_month 0${usblink_month})
endif()
set(USBLINK_RELEASE_DATE ${usblink_year}-${usblink_month}-${usblink_day})

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  # The copyright file in Debian's format, from LICENSE: its copyright line and
  # the licence from "Permission" on, each line indented, blank lines as " .".
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE usblink_license)
  string(FIND "${usblink_license}" "Permission" usblink_start)
  string(SUBSTRING "${usblink_license}" ${usblink_start} -1 usblink_license)
  string(STRIP "${usblink_license}" usblink_license)
  string(REGEX REPLACE "\n\n" "\n.\n" usblink_license "${usblink_license}")
  string(REGEX REPLACE "\n" "\n " USBLINK_LICENSE_TEXT " ${usblink_license}")
  configure_file(${USBLINK_PACKAGING_DIR}/deb/copyright.in ${USBLINK_PACKAGING_OUT}/copyright @ONLY)

  add_custom_command(
    OUTPUT ${USBLINK_PACKAGING_OUT}/changelog.gz
    COMMAND sh -c "gzip -9n -c \"$0\" >\"$1\"" ${USBLINK_PACKAGING_DIR}/deb/changelog
            ${USBLINK_PACKAGING_OUT}/changelog.gz
    DEPENDS ${USBLINK_PACKAGING_DIR}/deb/changelog
    VERBATIM)
  add_custom_target(usblink_changelog ALL DEPENDS ${USBLINK_PACKAGING_OUT}/changelog.gz)

  # udev reads /usr/lib and /usr/local/lib alike, so the rule follows the prefix.
  install(FILES ${USBLINK_PACKAGING_DIR}/70-usblink.rules DESTINATION lib/udev/rules.d)
  install(FILES ${USBLINK_PACKAGING_OUT}/copyright ${USBLINK_PACKAGING_OUT}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${USBLINK_PACKAGING_DIR}/usblink-cli.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME usblink-cli)
  if(TARGET usblink)
    set(usblink_metainfo ${USBLINK_PACKAGING_OUT}/${USBLINK_APPSTREAM_ID}.metainfo.xml)
    configure_file(${USBLINK_PACKAGING_DIR}/usblink.metainfo.xml.in ${usblink_metainfo} @ONLY)
    install(FILES ${usblink_metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  endif()
  include(${CMAKE_CURRENT_LIST_DIR}/ManPages.cmake)
endif()

set(CPACK_PACKAGE_NAME usblink)
set(CPACK_PACKAGE_VENDOR "usblink")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Firmware updater for the USB HID calculator ${USBLINK_VENDOR_ID}:${USBLINK_PRODUCT_ID}")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "usblink writes *.UD firmware images into the calculator's flash bank by\n"
       "bank, with a checksum for every bank, and reads the flash back. It comes\n"
       "as a window and as usblink-cli for scripts. The udev rule lets the user\n"
       "at the seat use the calculator without root.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# A Song face for the window's full-width marks, which are empty boxes without one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev, fonts-arphic-uming | fonts-noto-cjk")
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

if(USBLINK_TESTS AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
  # Tools a check needs but a build does not: a missing one skips the check.
  set(usblink_skipped 77)
  add_test(NAME bash_completion
           COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check-completion.sh
                   $<TARGET_FILE:usblink-cli> ${USBLINK_PACKAGING_DIR}/usblink-cli.bash)
  set_tests_properties(bash_completion PROPERTIES SKIP_RETURN_CODE ${usblink_skipped})
  add_test(NAME man_page
           COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check-man-page.sh
                   ${USBLINK_PACKAGING_OUT}/man/usblink-cli.1.gz $<TARGET_FILE:usblink-cli>)
  set_tests_properties(man_page PROPERTIES SKIP_RETURN_CODE ${usblink_skipped})
  find_program(USBLINK_DPKG_DEB dpkg-deb)
  if(USBLINK_DPKG_DEB AND NOT USBLINK_SANITIZE)
    add_test(NAME debian_package
             COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check-deb.sh ${CMAKE_BINARY_DIR}
                     ${CMAKE_CURRENT_BINARY_DIR}/package-test)
    set_tests_properties(debian_package PROPERTIES SKIP_RETURN_CODE ${usblink_skipped})
  endif()
endif()

if(USBLINK_TESTS AND WIN32)
  # The Windows downloads made as a release makes them, without a
  # certificate; then what they hold, the MSI installed, upgraded and removed
  # under Wine, and the same downloads signed with a throwaway certificate.
  set(usblink_windows_package ${CMAKE_BINARY_DIR}/package-test-windows)
  add_test(NAME windows_package
           COMMAND ${CMAKE_COMMAND} -E env --unset=USBLINK_SIGN_PKCS12
                   ${PROJECT_SOURCE_DIR}/scripts/package-windows ${CMAKE_BINARY_DIR}
                   ${usblink_windows_package})
  set_tests_properties(windows_package PROPERTIES FIXTURES_SETUP windows_package)
  add_test(NAME windows_package_contents
           COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check-windows-package.sh
                   ${usblink_windows_package} ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/wineprefix)
  set_tests_properties(windows_package_contents PROPERTIES SKIP_RETURN_CODE 77)
  add_test(NAME windows_msi
           COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check-msi.sh ${usblink_windows_package}
                   ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/msi-test)
  add_test(NAME windows_signing
           COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check-signing.sh ${CMAKE_BINARY_DIR}
                   ${usblink_windows_package} ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/signing-test)
  set_tests_properties(windows_package_contents windows_msi windows_signing PROPERTIES
                       FIXTURES_REQUIRED windows_package)
  set_tests_properties(windows_package windows_package_contents windows_msi windows_signing
                       PROPERTIES LABELS release)
endif()
