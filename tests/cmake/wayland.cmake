# tavorinex-wayland end to end under headless sway (native builds with the Wayland packages), with
# a virtual pointer of the tests' own: Debian ships no XML for it, so tests/wayland carries the
# part of the interface they use.
if(TARGET tavorinex_wayland AND TARGET tavorinex)
  set(vptr_xml ${PROJECT_SOURCE_DIR}/tests/wayland/virtual-pointer.xml)
  add_custom_command(
    OUTPUT virtual-pointer-client-protocol.h virtual-pointer-protocol.c
    COMMAND ${WAYLAND_SCANNER} client-header ${vptr_xml} virtual-pointer-client-protocol.h
    COMMAND ${WAYLAND_SCANNER} private-code ${vptr_xml} virtual-pointer-protocol.c
    DEPENDS ${vptr_xml} VERBATIM)
  add_executable(vptr ${PROJECT_SOURCE_DIR}/tests/wayland/vptr.c
                      ${CMAKE_CURRENT_BINARY_DIR}/virtual-pointer-protocol.c
                      ${CMAKE_CURRENT_BINARY_DIR}/virtual-pointer-client-protocol.h)
  target_include_directories(vptr PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(vptr PRIVATE PkgConfig::WAYLAND_CLIENT)

  find_program(PYTHON3 python3 REQUIRED)
  file(GLOB wayland_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/wayland/test_*.py)
  foreach(file ${wayland_files})
    get_filename_component(module ${file} NAME_WE)
    add_test(NAME wayland_${module} COMMAND ${PYTHON3} ${file})
    # frame_match comes with the hack's tests.
    set_tests_properties(wayland_${module} PROPERTIES
      LABELS wayland
      TIMEOUT 300
      ENVIRONMENT "TAVORINEX_WAYLAND=$<TARGET_FILE:tavorinex_wayland>;TAVORINEX_FRAME_MATCH=$<TARGET_FILE:frame_match>;TAVORINEX_VPTR=$<TARGET_FILE:vptr>;TAVORINEX_BUILD_DIR=${CMAKE_BINARY_DIR};TAVORINEX_CMAKE=${CMAKE_COMMAND}")
  endforeach()
endif()
