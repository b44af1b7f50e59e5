# Header-only libraries from Debian packages, as INTERFACE targets.
# usblink_debian_headers(TARGET FOLDER PACKAGE): the headers in /usr/include/FOLDER.
# A native build finds them where they are. The cross build must never see
# /usr/include itself (glibc's headers would shadow mingw's), so it gets a
# folder of its own holding a link to FOLDER alone.
function(usblink_debian_headers target folder package)
  if(NOT IS_DIRECTORY /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: install ${package} "
                        "(scripts/install-deps build)")
  endif()
  add_library(${target} INTERFACE)
  if(CMAKE_CROSSCOMPILING)
    set(root ${CMAKE_BINARY_DIR}/debian-headers)
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK /usr/include/${folder} ${root}/${folder} SYMBOLIC)
    target_include_directories(${target} SYSTEM INTERFACE ${root})
  endif()
endfunction()
