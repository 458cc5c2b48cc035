# How tavorinex.scr is built for release: small, loadable from Windows XP SP3 on, and the same
# bytes from every build of the same sources.

# Nothing in the program catches, so exceptions, their unwind tables and run-time type
# information only cost size; without them the unwinder and the thread library stay out too.
# The program has one thread, so local statics need no guard.
set(TAVORINEX_SCR_CODE_OPTIONS -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -fno-threadsafe-statics -ffunction-sections -fdata-sections)
target_compile_options(tavorinex_logic PRIVATE ${TAVORINEX_SCR_CODE_OPTIONS})
target_compile_options(tavorinex_scr PRIVATE ${TAVORINEX_SCR_CODE_OPTIONS})
target_sources(tavorinex_scr PRIVATE ${PROJECT_SOURCE_DIR}/app/cxx_runtime.cpp)
# The linker map says where the bytes go (tools/size-report.py).
target_link_options(tavorinex_scr PRIVATE -Wl,-Map=${CMAKE_BINARY_DIR}/tavorinex.map)
