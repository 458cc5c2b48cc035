# Read by CPack before it packs (CPACK_PROJECT_CONFIG_FILE): every entry of the zip gets the time
# of the last commit, or SOURCE_DATE_EPOCH when that is set, in UTC, so two builds of the same
# commit give the same zip. Sources without their history (an exported archive) get
# 1980-01-01 00:00:00 UTC, the earliest time a zip entry can hold.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(commit_time 315532800)
  if(EXISTS "${CPACK_TAVORINEX_SOURCE_DIR}/.git")
    execute_process(COMMAND git log -1 --format=%ct
                    WORKING_DIRECTORY "${CPACK_TAVORINEX_SOURCE_DIR}"
                    OUTPUT_VARIABLE logged OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(logged MATCHES "^[0-9]+$")
      set(commit_time ${logged})
    endif()
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
endif()
# A zip entry holds its time as local time.
set(ENV{TZ} UTC)
