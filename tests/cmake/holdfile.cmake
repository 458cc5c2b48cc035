# Windows helpers of the end-to-end tests, built beside tavorinex.scr so the tests find them:
# holdfile keeps a file open without sharing; dialogprobe reads the settings window from outside.
if(WIN32)
  foreach(helper holdfile dialogprobe)
    add_executable(${helper} ${PROJECT_SOURCE_DIR}/tests/e2e/${helper}.c)
    set_target_properties(${helper} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  endforeach()
  target_link_libraries(dialogprobe PRIVATE comctl32 gdi32 user32)
endif()
