# Header-only libraries that Debian installs under /usr/include (nlohmann-json3-dev,
# libcli11-dev). The native build finds them there. The cross build must not
# search /usr/include, whose glibc headers would shadow mingw's, so it gets a
# folder of its own holding a link to each library's directory, and only that
# folder goes on its include path.

set(USBLINK_HEADER_LIBRARY_ROOT /usr/include
    CACHE PATH "Where the header-only libraries are installed")
set(USBLINK_HEADER_LIBRARY_LINKS ${PROJECT_BINARY_DIR}/header-libraries)

# usblink_header_library(<target> <directory>): an interface target for the
# library whose headers are in <root>/<directory>.
function(usblink_header_library target directory)
  set(source ${USBLINK_HEADER_LIBRARY_ROOT}/${directory})
  if(NOT IS_DIRECTORY ${source})
    message(FATAL_ERROR "${source} is missing: run scripts/install-deps build")
  endif()
  add_library(${target} INTERFACE)
  if(CMAKE_CROSSCOMPILING)
    file(MAKE_DIRECTORY ${USBLINK_HEADER_LIBRARY_LINKS})
    file(CREATE_LINK ${source} ${USBLINK_HEADER_LIBRARY_LINKS}/${directory} SYMBOLIC)
    target_include_directories(${target} SYSTEM INTERFACE ${USBLINK_HEADER_LIBRARY_LINKS})
  endif()
endfunction()

usblink_header_library(usblink_json nlohmann)
