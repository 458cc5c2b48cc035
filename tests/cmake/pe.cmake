# What Windows sees of the .scr: PE32 i386 GUI, Windows' own DLLs only, icon group 102, no
# manifest. The checker must also refuse a program without the icon.
if(WIN32)
  find_program(PYTHON3 python3 REQUIRED)
  add_test(NAME pe_scr
           COMMAND ${PYTHON3} ${PROJECT_SOURCE_DIR}/tests/pe/check_pe.py
                   $<TARGET_FILE:tavorinex_scr>)
  add_test(NAME pe_refuses_a_program_without_the_icon
           COMMAND ${PYTHON3} ${PROJECT_SOURCE_DIR}/tests/pe/check_pe.py $<TARGET_FILE:holdfile>)
  set_tests_properties(pe_refuses_a_program_without_the_icon PROPERTIES
                       PASS_REGULAR_EXPRESSION "FAIL: no icon group 102")

  # The release budget: classic savers are this size.
  add_test(NAME scr_size_budget
           COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:tavorinex_scr> -DLIMIT=40960
                   -P ${PROJECT_SOURCE_DIR}/tests/pe/size_budget.cmake)
endif()
