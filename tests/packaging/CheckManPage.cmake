# cmake -DGROFF=<groff> -DPAGE=<page.1 or page.1.gz> -P CheckManPage.cmake
# Fails when groff warns about the page (the uncompressed page beside a .gz is read), or
# when a template placeholder was left in it.
string(REGEX REPLACE "\\.gz$" "" _page "${PAGE}")
execute_process(COMMAND ${GROFF} -k -K utf-8 -man -Tutf8 -ww -z ${_page}
                RESULT_VARIABLE _rc ERROR_VARIABLE _warnings)
if(NOT _rc EQUAL 0 OR NOT _warnings STREQUAL "")
  message(FATAL_ERROR "groff on ${_page} (status ${_rc}):\n${_warnings}")
endif()
file(READ ${_page} _text)
if(_text MATCHES "@[A-Z_]+@")
  message(FATAL_ERROR "${_page} still holds ${CMAKE_MATCH_0}")
endif()
