# Run as a test: cmake -DNM=<nm> -DOBJECTS=<a;b;...> -P check_isa_objects.cmake
# Code built for a wider instruction set than the baseline must not leave a
# weak (shared, inline) function behind: the linker may pick that copy for
# code that runs on every processor. Weak data (nm type V) is only data.
foreach(object IN LISTS OBJECTS)
  execute_process(COMMAND ${NM} --defined-only -C ${object}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "nm failed on ${object}")
  endif()
  string(REGEX MATCHALL "[^\n]* [Ww] [^\n]*" weak "${symbols}")
  if(weak)
    string(REPLACE ";" "\n" weak "${weak}")
    message(FATAL_ERROR "${object} defines weak symbols:\n${weak}")
  endif()
endforeach()
