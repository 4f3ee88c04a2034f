# Writes quor-host's manual page: cmake -DHOST=quor-host -DPAGE=quor-host.1 -P manual_page.cmake
execute_process(COMMAND ${HOST} help --man OUTPUT_FILE ${PAGE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${PAGE})
  message(FATAL_ERROR "quor-host help --man failed: ${result}")
endif()
