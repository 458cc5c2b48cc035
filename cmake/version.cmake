# One version for everything that shows one: the project version becomes a header that both the
# C++ sources and the resource script include.
configure_file(${CMAKE_CURRENT_LIST_DIR}/tavorinex_version.h.in
               ${CMAKE_BINARY_DIR}/generated/tavorinex_version.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)
