# SPDX-License-Identifier: MIT
cmake_minimum_required(VERSION 3.25)
# The DLL must export CalcHealth alone, by name; import only system DLLs; and carry its
# version resource.
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE headers RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${LIBRARY}")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(\t\\[[^\n]*\n)*" export_block "${headers}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" exports "${export_block}")
list(TRANSFORM exports REPLACE "^\\[ *[0-9]+\\] " "")
if(NOT exports STREQUAL "CalcHealth")
  message(FATAL_ERROR "expected only CalcHealth to be exported, found: ${exports}")
endif()

# What a plain Windows installation has; no compiler runtime DLL may appear.
set(system_dlls kernel32.dll msvcrt.dll ucrtbase.dll user32.dll advapi32.dll ntdll.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
foreach(import IN LISTS imports)
  string(TOLOWER "${import}" name)
  if(NOT name IN_LIST system_dlls AND NOT name MATCHES "^api-ms-win-")
    message(FATAL_ERROR "imports a DLL that is not the system's: ${import}")
  endif()
endforeach()

# The library owns its logarithm and power: no maths function may come from the C runtime.
string(REGEX MATCHALL "\t[0-9a-f]+[ \t]+[0-9]+ +(log|log10|log2|log1p|exp|exp2|expm1|pow|sqrt|cbrt)[fl]?\n" maths "${headers}")
if(maths)
  message(FATAL_ERROR "the DLL calls the C runtime's maths functions: ${maths}")
endif()

if(NOT headers MATCHES "Entry: ID: 0x000010")
  message(FATAL_ERROR "no version resource (type 16) in ${LIBRARY}")
endif()
execute_process(COMMAND ${WINDRES} -i ${LIBRARY} -O rc OUTPUT_VARIABLE resources RESULT_VARIABLE result)
foreach(expected IN ITEMS "FILEVERSION 1, 0, 0, 1" "PRODUCTVERSION 1, 0, 0, 1"
                          "VALUE \"FileVersion\", \"1, 0, 0, 1\"" "VALUE \"ProductVersion\", \"1, 0, 0, 1\"")
  string(FIND "${resources}" "${expected}" found)
  if(NOT result EQUAL 0 OR found EQUAL -1)
    message(FATAL_ERROR "the version resource lacks ${expected}")
  endif()
endforeach()
message(STATUS "exports: ${exports}; imports: ${imports}; version 1, 0, 0, 1")
