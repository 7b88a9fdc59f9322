# Fails unless the library's dynamic symbol table defines only the four classes' members,
# vtables and type information: cmake -DNM=<nm> -DLIB=<library> -P CheckExports.cmake
execute_process(COMMAND ${NM} -D --defined-only -C ${LIB}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIB}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(classes "Phonebook(Group|GroupList|GroupDimensions|SearchResults)")
set(count 0)
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  if(NOT line MATCHES "^[0-9a-f]+ [A-Za-z] ((typeinfo|typeinfo name|vtable) for )?${classes}(::|$)")
    message(SEND_ERROR "exported but not public API: ${line}")
  endif()
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "no exported symbols found in ${LIB}")
endif()
message(STATUS "${count} exported symbols, all public API")

# Nor does it run code of its own when it is loaded or unloaded: no static initialiser, and
# no destructor registered for exit.
execute_process(COMMAND ${NM} ${LIB} OUTPUT_VARIABLE all_symbols RESULT_VARIABLE rc)
execute_process(COMMAND ${NM} -D --undefined-only ${LIB} OUTPUT_VARIABLE undefined)
if(NOT rc EQUAL 0 OR all_symbols MATCHES "_GLOBAL__sub_I" OR undefined MATCHES "__(cxa|aeabi)_atexit")
  message(FATAL_ERROR "${LIB} runs code at load or exit time (a static initialiser or exit-time destructor)")
endif()
