# The option scanner of the POSIX programs, in-process (native builds only).
if(TARGET tavorinex_cli)
  add_executable(cli_tests ${PROJECT_SOURCE_DIR}/tests/cli/options_test.cpp)
  target_link_libraries(cli_tests PRIVATE tavorinex_cli gtest_main)
  add_test(NAME cli_tests COMMAND cli_tests --gtest_brief=1)
  set_tests_properties(cli_tests PROPERTIES FAIL_REGULAR_EXPRESSION "\\[  SKIPPED \\]"
                                            LABELS unit)
endif()
