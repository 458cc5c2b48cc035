# Tests of `tavorinex render`: the image writers, and the tool run as a user runs it.
# Native builds only: libpng and giflib exist for them alone.
if(TARGET tavorinex)
  add_executable(render_tests ${CMAKE_CURRENT_LIST_DIR}/../render/image_test.cpp
                              ${CMAKE_CURRENT_LIST_DIR}/../render/render_test.cpp
                              ${CMAKE_CURRENT_LIST_DIR}/../render/fault_test.cpp)
  target_link_libraries(render_tests PRIVATE tavorinex_tool gtest_main)
  target_compile_definitions(render_tests PRIVATE TAVORINEX_TOOL="$<TARGET_FILE:tavorinex>")
  add_dependencies(render_tests tavorinex)
  add_test(NAME render_tests COMMAND render_tests --gtest_brief=1)
  set_tests_properties(render_tests PROPERTIES FAIL_REGULAR_EXPRESSION "\\[  SKIPPED \\]"
                                               LABELS tool)
endif()
