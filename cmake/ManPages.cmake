# The manual pages, compressed as Debian wants them. usblink-cli(1) is made by
# help2man from the program's own --help, --help-simulate and --version, so it
# says what the program does (packaging/usblink-cli-man.sh); usblink(1), for the
# window, which takes no options of its own, is written in scdoc
# (packaging/usblink.1.scd.in) and also serves usblink-demo.

find_program(USBLINK_HELP2MAN help2man)
find_program(USBLINK_SCDOC scdoc)
set(usblink_man ${USBLINK_PACKAGING_OUT}/man)
file(MAKE_DIRECTORY ${usblink_man})
set(usblink_pages "")

if(TARGET usblink-cli AND USBLINK_HELP2MAN)
  add_custom_command(
    OUTPUT ${usblink_man}/usblink-cli.1.gz
    COMMAND sh ${USBLINK_PACKAGING_DIR}/usblink-cli-man.sh $<TARGET_FILE:usblink-cli>
            ${USBLINK_PACKAGING_DIR}/usblink-cli.h2m ${usblink_man}/usblink-cli.1
    COMMAND gzip -9nf ${usblink_man}/usblink-cli.1
    DEPENDS usblink-cli ${USBLINK_PACKAGING_DIR}/usblink-cli-man.sh
            ${USBLINK_PACKAGING_DIR}/usblink-cli.h2m
    VERBATIM)
  list(APPEND usblink_pages ${usblink_man}/usblink-cli.1.gz)
elseif(TARGET usblink-cli)
  message(WARNING "help2man not found: usblink-cli gets no manual page (scripts/install-deps build)")
endif()

if(TARGET usblink AND USBLINK_SCDOC)
  configure_file(${USBLINK_PACKAGING_DIR}/usblink.1.scd.in ${usblink_man}/usblink.1.scd @ONLY)
  add_custom_command(
    OUTPUT ${usblink_man}/usblink.1.gz ${usblink_man}/usblink-demo.1.gz
    COMMAND sh -c "\"$0\" <\"$1\" >\"$2\"" ${USBLINK_SCDOC} ${usblink_man}/usblink.1.scd
            ${usblink_man}/usblink.1
    COMMAND gzip -9nf ${usblink_man}/usblink.1
    COMMAND ${CMAKE_COMMAND} -E create_symlink usblink.1.gz ${usblink_man}/usblink-demo.1.gz
    DEPENDS ${usblink_man}/usblink.1.scd
    VERBATIM)
  list(APPEND usblink_pages ${usblink_man}/usblink.1.gz ${usblink_man}/usblink-demo.1.gz)
elseif(TARGET usblink)
  message(WARNING "scdoc not found: the window gets no manual page (scripts/install-deps build)")
endif()

add_custom_target(usblink_man_pages ALL DEPENDS ${usblink_pages})
install(FILES ${usblink_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
