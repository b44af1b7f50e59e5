# The Windows programs as they ship, and what scripts/package-windows makes of
# them. usblink_windows_program(TARGET DESCRIPTION) gives an executable the
# resources each one carries (the icon, the manifest, the version of project()
# that Explorer, installers and inventory tools read) and, in an optimised
# build, strips it after the link: its debug information stays beside it in
# TARGET.exe.debug, which is not shipped, and a debugger finds it through the
# program's debug link.
#
# packaging/windows/usblink.ico is packaging/usblink.svg at 16, 24, 32, 48, 64
# and 256 pixels (imagemagick stores the 256 one as PNG, as Windows reads it):
#   for n in 16 24 32 48 64 256; do rsvg-convert -w $n -h $n usblink.svg -o $n.png; done
#   /usr/bin/convert 16.png 24.png 32.png 48.png 64.png 256.png usblink.ico
if(WIN32)
  enable_language(RC)
endif()
set(USBLINK_WINDOWS_DIR ${PROJECT_SOURCE_DIR}/packaging/windows)
# Where the build tells scripts/package-windows what to ship: a file per
# program holding its path, and the installer's source.
set(USBLINK_WINDOWS_OUT ${PROJECT_BINARY_DIR}/packaging/windows)

if(WIN32)
  # The installer's upgrade code is the same for every version; the product
  # code is new with each version, made from it.
  set(USBLINK_MSI_UPGRADE_CODE 13862C98-12A9-48E6-B27F-A865B5F16A01)
  string(UUID USBLINK_MSI_PRODUCT_CODE NAMESPACE ${USBLINK_MSI_UPGRADE_CODE}
         NAME "usblink ${PROJECT_VERSION}" TYPE SHA1 UPPER)
  configure_file(${USBLINK_WINDOWS_DIR}/usblink.wxs.in ${USBLINK_WINDOWS_OUT}/usblink.wxs @ONLY)
endif()

function(usblink_windows_program target description)
  if(NOT WIN32)
    return()
  endif()
  set(USBLINK_RC_NAME ${target})
  set(USBLINK_RC_DESCRIPTION "${description}")
  set(USBLINK_RC_ICON ${USBLINK_WINDOWS_DIR}/usblink.ico)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  set(USBLINK_RC_MANIFEST ${out}/${target}.manifest)
  configure_file(${USBLINK_WINDOWS_DIR}/usblink.manifest.in ${USBLINK_RC_MANIFEST} @ONLY)
  configure_file(${USBLINK_WINDOWS_DIR}/usblink.rc.in ${out}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${out}/${target}.rc)
  # The resource script takes the icon's id from the header the code reads.
  set_source_files_properties(${out}/${target}.rc PROPERTIES
    INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/src
    OBJECT_DEPENDS "${USBLINK_RC_MANIFEST};${USBLINK_RC_ICON}")

  file(GENERATE OUTPUT ${USBLINK_WINDOWS_OUT}/programs/${target} CONTENT "$<TARGET_FILE:${target}>\n")

  if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}>
              $<TARGET_FILE_NAME:${target}>.debug
      COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE_NAME:${target}>
      COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
              $<TARGET_FILE_NAME:${target}>
      WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
      VERBATIM)
  endif()
endfunction()
