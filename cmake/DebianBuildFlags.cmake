# With USBLINK_DEBIAN_BUILD_FLAGS the build takes the flags Debian builds its
# packages with (dpkg-buildflags, every hardening feature on): the stack
# protector, fortified functions, read-only relocations bound at load.
option(USBLINK_DEBIAN_BUILD_FLAGS "Build with Debian's flags for packages (dpkg-buildflags)" OFF)
if(USBLINK_DEBIAN_BUILD_FLAGS)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            dpkg-buildflags --get ${kind}
                    OUTPUT_VARIABLE usblink_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE usblink_result)
    if(NOT usblink_result EQUAL 0)
      message(FATAL_ERROR "USBLINK_DEBIAN_BUILD_FLAGS needs dpkg-buildflags (package dpkg-dev)")
    endif()
  endforeach()
  string(APPEND CMAKE_CXX_FLAGS " ${usblink_CPPFLAGS} ${usblink_CXXFLAGS}")
  string(APPEND CMAKE_EXE_LINKER_FLAGS " ${usblink_LDFLAGS}")
  string(APPEND CMAKE_SHARED_LINKER_FLAGS " ${usblink_LDFLAGS}")
endif()
