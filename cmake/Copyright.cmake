# The copyright line of LICENSE, for the files that repeat it: USBLINK_COPYRIGHT
# ("2026 usblink maintainers") and USBLINK_PUBLISHER, its holder.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE usblink_copyright_line REGEX "^Copyright \\(c\\) "
     LIMIT_COUNT 1)
if(NOT usblink_copyright_line MATCHES "^Copyright \\(c\\) ([0-9, -]+ (.+))$")
  message(FATAL_ERROR "LICENSE: no line \"Copyright (c) YEAR HOLDER\"")
endif()
set(USBLINK_COPYRIGHT ${CMAKE_MATCH_1})
set(USBLINK_PUBLISHER ${CMAKE_MATCH_2})
