# What Windows sees of the .scr: a PE32 i386 GUI program that XP SP3 loads (subsystem, imports on
# the committed list, ASLR kept, no link time), terminal-server aware, read-only resources all in
# Japanese, its version resource, icon group 102, no manifest.
# The checker must also refuse programs that break these.
if(WIN32)
  find_program(PYTHON3 python3 REQUIRED)
  set(check_pe ${PYTHON3} ${PROJECT_SOURCE_DIR}/tests/pe/check_pe.py --version ${PROJECT_VERSION})
  add_test(NAME pe_scr COMMAND ${check_pe} $<TARGET_FILE:tavorinex_scr>)
  add_test(NAME pe_refuses_a_program_without_the_icon
           COMMAND ${check_pe} $<TARGET_FILE:holdfile>)
  set_tests_properties(pe_refuses_a_program_without_the_icon PROPERTIES
                       PASS_REGULAR_EXPRESSION "FAIL: no icon group 102")

  # A program linked the way XP cannot load and ASLR cannot move, with writable resources in
  # English.
  add_executable(pe_refused ${PROJECT_SOURCE_DIR}/tests/e2e/holdfile.c
                            ${PROJECT_SOURCE_DIR}/tests/pe/english.rc)
  target_link_options(pe_refused PRIVATE -Wl,--major-subsystem-version,6,--minor-subsystem-version,0
                      -Wl,--disable-dynamicbase,--disable-reloc-section)
  add_test(NAME pe_refuses_a_program_xp_cannot_load COMMAND ${check_pe} $<TARGET_FILE:pe_refused>)
  # Every refusal, in the order the checker reports them.
  set(refusals "asks for subsystem version 6.0" "ASLR cannot move it" "link time "
      "not terminal-server aware" "the resources are writable"
      "imports KERNEL32.dll [A-Za-z]+, which is not on the list"
      "resources stored under languages other than Japanese" "no version resource")
  list(JOIN refusals ".*" refusals)
  set_tests_properties(pe_refuses_a_program_xp_cannot_load PROPERTIES
                       PASS_REGULAR_EXPRESSION "${refusals}")

  # The release budget: 24 KiB.
  add_test(NAME scr_size_budget
           COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:tavorinex_scr> -DLIMIT=24576
                   -P ${PROJECT_SOURCE_DIR}/tests/pe/size_budget.cmake)
  set_tests_properties(pe_scr pe_refuses_a_program_without_the_icon
                       pe_refuses_a_program_xp_cannot_load scr_size_budget PROPERTIES LABELS pe)
endif()
