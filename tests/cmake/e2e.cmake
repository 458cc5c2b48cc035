# End-to-end tests: the real tavorinex.scr under Wine in an Xvfb display of its own, one CTest
# entry per test file. They share one Wine prefix, so they never run side by side.
if(WIN32)
  find_program(PYTHON3 python3 REQUIRED)
  file(GLOB e2e_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/test_*.py)
  foreach(file ${e2e_files})
    get_filename_component(module ${file} NAME_WE)
    add_test(NAME e2e_${module}
             COMMAND ${PYTHON3} ${PROJECT_SOURCE_DIR}/tests/e2e/run.py
                     --scr $<TARGET_FILE:tavorinex_scr> --work ${CMAKE_BINARY_DIR}/e2e ${module})
    set_tests_properties(e2e_${module} PROPERTIES
      LABELS e2e
      RESOURCE_LOCK wine_e2e
      TIMEOUT 900
      ENVIRONMENT "TAVORINEX_E2E_HELPERS=${CMAKE_BINARY_DIR}")
  endforeach()
endif()
