# Tests of `tavorinex params`, run as a person runs it on a hand-edited file.
# Included by tests/CMakeLists.txt to register the cases; run with -P, it runs one case.

# Each case: name, file content (printf format; "-" for no file, "fifo" for a FIFO with no
# writer, which must not block), arguments after "params" (a file named must be one to read;
# without one, tavorinex.ini may be anything, as for the saver),
# exit code, then the ten expected values (settings, then saver) when the code is 0.
set(params_cases
  "saved-defaults|80,50,44,960,11,\\000|tavorinex.ini|0|80 50 44 960 11 80 3 7 60 4"
  "missing-file|-||0|80 50 44 960 11 80 50 44 960 11"
  "half-in-field-2|80,2.5,44,960,11,|tavorinex.ini|0|80 2 44 960 11 80 50 7 60 4"
  "prefixed-and-signed|&H50,&O3,-1,4294967295,&X1,\\r\\n|tavorinex.ini|0|80 3 -1 -1 0 80 50 52 1021 15"
  "short-file|100,20|tavorinex.ini|0|100 50 44 960 11 100 50 44 960 11"
  "directory|-|.|2|"
  "fifo|fifo||0|80 50 44 960 11 80 50 44 960 11"
  "fifo-named|fifo|tavorinex.ini|2|"
  "default-file-name|40,3,50,1000,15,||0|40 3 50 1000 15 40 50 1 20 0"
  "two-files|-|a b|2|"
  "an-option|-|--json|2|"
)

if(NOT CMAKE_SCRIPT_MODE_FILE)
  if(TARGET tavorinex)
    foreach(params_case ${params_cases})
      string(REPLACE "|" ";" params_fields "${params_case}")
      list(GET params_fields 0 params_name)
      add_test(NAME params.${params_name}
               COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:tavorinex> -DCASE=${params_name}
                       -DWORK=${CMAKE_CURRENT_BINARY_DIR}/params/${params_name}
                       -P ${CMAKE_CURRENT_LIST_FILE})
      set_tests_properties(params.${params_name} PROPERTIES LABELS tool)
    endforeach()
  endif()
  return()
endif()

cmake_minimum_required(VERSION 3.25)
foreach(params_case ${params_cases})
  string(REPLACE "|" ";" params_fields "${params_case}")
  list(GET params_fields 0 name)
  if(name STREQUAL CASE)
    list(GET params_fields 1 content)
    list(GET params_fields 2 arguments)
    list(GET params_fields 3 expected_code)
    list(GET params_fields 4 values)
  endif()
endforeach()
if(NOT DEFINED expected_code)
  message(FATAL_ERROR "no params case ${CASE}")
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
if(content STREQUAL "fifo")
  execute_process(COMMAND mkfifo ${WORK}/tavorinex.ini)
elseif(NOT content STREQUAL "-")
  # printf, since a CMake string cannot hold the zero byte.
  execute_process(COMMAND printf "${content}" OUTPUT_FILE ${WORK}/tavorinex.ini)
endif()
separate_arguments(arguments UNIX_COMMAND "${arguments}")
# Bounded, so that a blocking read fails the case instead of hanging the suite.
execute_process(COMMAND ${TOOL} params ${arguments} WORKING_DIRECTORY ${WORK} TIMEOUT 60
                RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)

if(NOT code STREQUAL expected_code)
  message(FATAL_ERROR "exit code ${code}, expected ${expected_code}; stderr: ${err}")
endif()
if(expected_code EQUAL 2)
  if(NOT out STREQUAL "" OR NOT err MATCHES "^(usage: tavorinex params \\[FILE\\]|tavorinex params: [^\n]+)\n$")
    message(FATAL_ERROR "bad usage must print one usage line on stderr only; got [${out}] [${err}]")
  endif()
  return()
endif()
string(REPLACE " " ";" values "${values}")
set(names BoxSize ColorChangeRate DrawSpeed EraseFrequency EraseSpeed
          BoxSize ColorBounceLimit StepDelay EraseBounceCount WipeDelay)
set(expected "{\"settings\": {")
foreach(i RANGE 9)
  list(GET names ${i} field)
  list(GET values ${i} value)
  if(i EQUAL 5)
    string(APPEND expected "}, \"saver\": {")
  elseif(NOT i EQUAL 0)
    string(APPEND expected ", ")
  endif()
  string(APPEND expected "\"${field}\": ${value}")
endforeach()
string(APPEND expected "}}\n")
if(NOT out STREQUAL expected OR NOT err STREQUAL "")
  message(FATAL_ERROR "got:\n${out}${err}expected:\n${expected}")
endif()
