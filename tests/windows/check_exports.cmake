# Reads the export table of DLL with OBJDUMP (-p) and fails unless it names
# exactly the seven host functions.
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed: ${result}")
endif()
# The table's lines ("\t[   0] Name") follow its heading up to a blank line.
# Brackets would keep CMake from splitting the list: they become < >.
string(REPLACE "[" "<" dump "${dump}")
string(REPLACE "]" ">" dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")
set(names)
set(inside FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "Ordinal/Name Pointer")
    set(inside TRUE)
  elseif(inside AND line MATCHES "^[ \t]*< *[0-9]+> (.+)$")
    list(APPEND names ${CMAKE_MATCH_1})
  elseif(inside)
    break()
  endif()
endforeach()
list(SORT names)
set(expected AllocFwUpdDllMsg AppHasReleasedAllDllMsgs DeleteDllMsg GetFwUpdDllVersion
             PrepareForExit SendFwUpdDllMsg StartDllControlThread)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exports of ${DLL}: '${names}', expected '${expected}'")
endif()
message(STATUS "exports: ${names}")
