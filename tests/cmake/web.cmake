# The page in headless Chromium (the web build only; the native build passes over this file):
# its still frames against the native renderer's, its clock, saver mode, the settings panel and
# its size. The renderer comes from the native build, which tools/test.sh makes first.
if(NOT EMSCRIPTEN)
  return()
endif()
find_program(PYTHON3 python3 REQUIRED)
set(TAVORINEX_RENDERER ${PROJECT_SOURCE_DIR}/build/native/tavorinex/tavorinex CACHE FILEPATH
    "The native tavorinex whose render the page's still frames must equal")
file(GLOB web_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/web/test_*.py)
foreach(file ${web_files})
  get_filename_component(module ${file} NAME_WE)
  add_test(NAME web_${module} COMMAND ${PYTHON3} ${file})
  set_tests_properties(web_${module} PROPERTIES LABELS web TIMEOUT 300 ENVIRONMENT
    "TAVORINEX_TOOL=${TAVORINEX_RENDERER};TAVORINEX_PAGE=$<TARGET_FILE_DIR:tavorinex_web>")
endforeach()
