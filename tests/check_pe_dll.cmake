# SPDX-License-Identifier: MIT
cmake_minimum_required(VERSION 3.25)
# The DLL must export CalcHealth alone, by name and from its code; import only system DLLs; and
# carry its version resource.
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

# The export must point into the DLL's code. A function that link-time optimisation dropped is
# still exported by ld from a .def file, silently, at an address outside the image.
string(REGEX MATCH "ImageBase[ \t]+([0-9a-fA-F]+)" _ "${headers}")
set(image_base ${CMAKE_MATCH_1})
string(REGEX MATCH "\\[ *0\\] \\+base\\[ *[0-9]+\\] ([0-9a-fA-F]+) Export RVA" _ "${headers}")
set(export_rva ${CMAKE_MATCH_1})
if(NOT image_base OR NOT export_rva)
  message(FATAL_ERROR "no image base or export address in ${OBJDUMP} -p's output")
endif()
execute_process(COMMAND ${OBJDUMP} -h ${LIBRARY} OUTPUT_VARIABLE sections RESULT_VARIABLE result)
# Each section: its line (index, name, size, address, ...) and then its flags.
string(REGEX MATCHALL "\n *[0-9]+ [^ ]+ +[0-9a-f]+ +[0-9a-f]+[^\n]*\n[^\n]*" sections "${sections}")
math(EXPR export_address "0x${image_base} + 0x${export_rva}")
set(in_code "")
foreach(section IN LISTS sections)
  string(REGEX MATCH "^\n *[0-9]+ ([^ ]+) +([0-9a-f]+) +([0-9a-f]+)" _ "${section}")
  set(name ${CMAKE_MATCH_1})
  math(EXPR start "0x${CMAKE_MATCH_3}")
  math(EXPR end "0x${CMAKE_MATCH_3} + 0x${CMAKE_MATCH_2}")
  if(section MATCHES "CODE" AND export_address GREATER_EQUAL start AND export_address LESS end)
    set(in_code ${name})
  endif()
endforeach()
if(NOT in_code)
  message(FATAL_ERROR "CalcHealth is exported at RVA 0x${export_rva} from image base 0x${image_base}, in no code section")
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
message(STATUS "exports: ${exports} (in ${in_code}); imports: ${imports}; version 1, 0, 0, 1")
