# cmake -DFILE=... -DLIMIT=bytes -P size_budget.cmake: fails when FILE has grown past LIMIT.
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, over its budget of ${LIMIT}")
endif()
message(STATUS "${FILE} is ${size} bytes, within its budget of ${LIMIT}")
