# The XScreenSaver hack (native builds only): its options in-process, and the real program end to
# end, each test file in an Xvfb of its own.
if(TARGET tavorinex AND TARGET tavorinex_x11_host)
  add_executable(x11_host_tests ${PROJECT_SOURCE_DIR}/tests/x11/hack_options_test.cpp)
  target_link_libraries(x11_host_tests PRIVATE tavorinex_x11_host gtest_main)
  add_test(NAME x11_host_tests COMMAND x11_host_tests --gtest_brief=1)
  set_tests_properties(x11_host_tests PROPERTIES FAIL_REGULAR_EXPRESSION "\\[  SKIPPED \\]"
                                                 LABELS unit)

  # Finds window captures among the renderer's frames.
  add_executable(frame_match ${PROJECT_SOURCE_DIR}/tests/x11/frame_match.cpp)
  target_link_libraries(frame_match PRIVATE tavorinex_tool)

  find_program(PYTHON3 python3 REQUIRED)
  file(GLOB x11_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/x11/test_*.py)
  foreach(file ${x11_files})
    get_filename_component(module ${file} NAME_WE)
    add_test(NAME x11_${module} COMMAND ${PYTHON3} ${file})
    set_tests_properties(x11_${module} PROPERTIES
      LABELS x11
      TIMEOUT 300
      ENVIRONMENT "TAVORINEX_TOOL=$<TARGET_FILE:tavorinex>;TAVORINEX_FRAME_MATCH=$<TARGET_FILE:frame_match>;TAVORINEX_X11_WORK=${CMAKE_BINARY_DIR}/x11;TAVORINEX_BUILD_DIR=${CMAKE_BINARY_DIR};TAVORINEX_CMAKE=${CMAKE_COMMAND}")
  endforeach()
endif()
