# What XScreenSaver reads about the hack, generated from the settings table, and where
# `cmake --install` puts the hack, its config and its man page.
add_executable(hack_config ${CMAKE_CURRENT_LIST_DIR}/hack_config.cpp)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/tavorinex.xml
                   COMMAND hack_config xml > ${CMAKE_BINARY_DIR}/tavorinex.xml
                   DEPENDS hack_config VERBATIM)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/tavorinex.6
                   COMMAND hack_config man ${CMAKE_CURRENT_LIST_DIR}/tavorinex.6.in
                           > ${CMAKE_BINARY_DIR}/tavorinex.6
                   DEPENDS hack_config ${CMAKE_CURRENT_LIST_DIR}/tavorinex.6.in VERBATIM)
add_custom_target(hack_files ALL DEPENDS ${CMAKE_BINARY_DIR}/tavorinex.xml
                                         ${CMAKE_BINARY_DIR}/tavorinex.6)

set(TAVORINEX_HACK_DIR /usr/libexec/xscreensaver CACHE PATH
    "Where XScreenSaver looks for its hacks (Debian: /usr/libexec/xscreensaver)")
set(TAVORINEX_CONFIG_DIR /usr/share/xscreensaver/config CACHE PATH
    "Where XScreenSaver reads the hacks' config XML")
include(GNUInstallDirs)
install(TARGETS tavorinex RUNTIME DESTINATION ${TAVORINEX_HACK_DIR})
install(FILES ${CMAKE_BINARY_DIR}/tavorinex.xml DESTINATION ${TAVORINEX_CONFIG_DIR})
install(FILES ${CMAKE_BINARY_DIR}/tavorinex.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
