# How tavorinex.scr is built for release: small, loadable from Windows XP SP3 on, and the same
# bytes from every build of the same sources.

# The program and every library of ours it links; the unit tests and GoogleTest keep their
# exceptions.
set(TAVORINEX_SCR_PARTS tavorinex_scr tavorinex_app tavorinex_saver_window tavorinex_gdi
    tavorinex_saver tavorinex_settings_window tavorinex_settings)
# Nothing in the program catches, so exceptions, their unwind tables and run-time type
# information only cost size; without them the unwinder and the thread library stay out too.
# The program has one thread, so local statics need no guard. Windows calls the entry point and
# the window procedures with the stack aligned to 4 bytes only, so a function that needs more
# for SSE2 realigns its own frame. Data keeps its sections (-fdata-sections would put zeroed
# variables into .data, where they take bytes in the file).
set(TAVORINEX_SCR_CODE_OPTIONS -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -fno-threadsafe-statics -ffunction-sections -mstackrealign)
target_sources(tavorinex_scr PRIVATE ${CMAKE_CURRENT_LIST_DIR}/cxx_runtime.cpp)
# Its own entry point (cxx_runtime.cpp) instead of MinGW-w64's start-up code. A reference to data
# in a DLL would need that start-up code to fix it up at run time: refuse it at link time.
target_link_options(tavorinex_scr PRIVATE -nostartfiles -Wl,--disable-auto-import)
# Terminal-server aware: it needs none of the compatibility layer Remote Desktop sessions give
# older programs (per-user Windows folder, INI and registry mapping). It finds its file through
# its own path and calls neither the profile nor the registry functions.
target_link_options(tavorinex_scr PRIVATE -Wl,--tsaware)
# GNU ld always marks the resources writable; nothing writes them, so they are made read-only
# after the link, as Microsoft's linker makes them.
find_program(PYTHON3 python3 REQUIRED)
add_custom_command(TARGET tavorinex_scr POST_BUILD
                   COMMAND ${PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/readonly_resources.py
                           $<TARGET_FILE:tavorinex_scr>
                   VERBATIM)
# The linker map says where the bytes go (tools/size-report.py).
target_link_options(tavorinex_scr PRIVATE -Wl,-Map=${CMAKE_BINARY_DIR}/tavorinex.map)

# Windows XP SP3 is the oldest system it runs on: the headers hide anything newer, and the
# header asks for no newer subsystem than XP's (5.1).
set(TAVORINEX_SCR_WINDOWS_FLOOR _WIN32_WINNT=0x0501 WINVER=0x0501)
foreach(part ${TAVORINEX_SCR_PARTS})
  target_compile_options(${part} PRIVATE
                         "$<$<COMPILE_LANGUAGE:CXX>:${TAVORINEX_SCR_CODE_OPTIONS}>")
  target_compile_definitions(${part} PRIVATE ${TAVORINEX_SCR_WINDOWS_FLOOR})
endforeach()
target_link_options(tavorinex_scr PRIVATE
                    -Wl,--major-subsystem-version,5,--minor-subsystem-version,1
                    -Wl,--major-os-version,5,--minor-os-version,1)

# No link time in the header. With no debug information and no assertions no build path gets in
# either, so the bytes depend on the sources only (tools/repro.sh builds twice to check).
target_link_options(tavorinex_scr PRIVATE -Wl,--no-insert-timestamp)

# The release: cmake --build --preset windows --target package makes
# tavorinex-<version>-win32.zip (the .scr, README.txt, LICENSE.txt and the notice of the
# MinGW-w64 runtime parts in the .scr) and its .sha256 beside it. The texts get Windows line ends
# and names Windows opens; README.txt keeps its UTF-8 byte order mark, without which Notepad
# before Windows 10 reads the Japanese in the ANSI code page.
configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt ${CMAKE_BINARY_DIR}/package/README.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/package/LICENSE.txt @ONLY
               NEWLINE_STYLE CRLF)
configure_file(${CMAKE_CURRENT_LIST_DIR}/COPYING.MinGW-w64-runtime.txt
               ${CMAKE_BINARY_DIR}/package/COPYING.MinGW-w64-runtime.txt @ONLY NEWLINE_STYLE CRLF)
install(TARGETS tavorinex_scr RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/LICENSE.txt
              ${CMAKE_BINARY_DIR}/package/COPYING.MinGW-w64-runtime.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tavorinex)
set(CPACK_PACKAGE_FILE_NAME tavorinex-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# The same zip from every build of the same commit: its entries' time (package_time.cmake).
set(CPACK_TAVORINEX_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_time.cmake)
include(CPack)
