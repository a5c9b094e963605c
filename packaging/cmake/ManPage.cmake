# cmake -DTEMPLATE=<page.1.in> -DPORTS_DOC=<docs/serial-ports.md> -DOUTPUT=<page.1.gz>
#       -DPROJECT_VERSION=<v> -DTORMISAPLEX_RELEASE_DATE=<date> -DGZIP=<gzip> -P ManPage.cmake
# Writes a manual page from its template, with @TORMISAPLEX_PORT_TABLE@ replaced by the first
# table of PORTS_DOC, so that the pages name ports exactly as the maintainers' notes do.
# Each row becomes one tagged paragraph: the first cell as the tag, the second as the text,
# any further cells in parentheses.

file(READ ${PORTS_DOC} _text)
# Markdown may hold characters that CMake lists treat specially.
string(REPLACE ";" "<semicolon>" _text "${_text}")
string(REPLACE "[" "<lbracket>" _text "${_text}")
string(REPLACE "]" "<rbracket>" _text "${_text}")
string(REPLACE "\n" ";" _lines "${_text}")

set(_rows "")
set(_in_table FALSE)
foreach(_line IN LISTS _lines)
  if(_line MATCHES "^ *\\|")
    if(NOT _in_table)
      set(_in_table TRUE)  # the header row
    elseif(NOT _line MATCHES "^ *\\|[-:| ]+\\| *$")
      list(APPEND _rows "${_line}")
    endif()
  elseif(_in_table)
    break()
  endif()
endforeach()
if(NOT _rows)
  message(FATAL_ERROR "${PORTS_DOC} has no table of port names for the manual pages")
endif()

function(_roff_cell cell out)
  string(STRIP "${cell}" cell)
  string(REPLACE "\\" "\\e" cell "${cell}")
  string(REGEX REPLACE "`([^`]*)`" "\\\\fB\\1\\\\fP" cell "${cell}")
  string(REGEX REPLACE "\\*\\*([^*]*)\\*\\*" "\\\\fB\\1\\\\fP" cell "${cell}")
  string(REPLACE "–" "\\(en" cell "${cell}")
  string(REPLACE "—" "\\(em" cell "${cell}")
  string(REPLACE "-" "\\-" cell "${cell}")
  string(REPLACE "<semicolon>" ";" cell "${cell}")
  string(REPLACE "<lbracket>" "[" cell "${cell}")
  string(REPLACE "<rbracket>" "]" cell "${cell}")
  set(${out} "\\&${cell}" PARENT_SCOPE)  # \& keeps a leading dot or quote from being a request
endfunction()

set(TORMISAPLEX_PORT_TABLE "")
foreach(_row IN LISTS _rows)
  string(REGEX REPLACE "^ *\\|(.*)\\| *$" "\\1" _row "${_row}")
  string(REPLACE "|" ";" _cells "${_row}")
  list(LENGTH _cells _count)
  if(_count LESS 2)
    message(FATAL_ERROR "${PORTS_DOC}: a row of the port table has fewer than two cells")
  endif()
  list(GET _cells 0 _tag)
  list(GET _cells 1 _body)
  _roff_cell("${_tag}" _tag)
  _roff_cell("${_body}" _body)
  list(SUBLIST _cells 2 -1 _rest)
  set(_notes "")
  foreach(_cell IN LISTS _rest)
    _roff_cell("${_cell}" _cell)
    list(APPEND _notes "${_cell}")
  endforeach()
  if(_notes)
    list(JOIN _notes "; " _notes)
    string(APPEND _body " (${_notes})")
  endif()
  string(APPEND TORMISAPLEX_PORT_TABLE ".TP\n${_tag}\n${_body}\n")
endforeach()
string(REGEX REPLACE "\n$" "" TORMISAPLEX_PORT_TABLE "${TORMISAPLEX_PORT_TABLE}")

string(REGEX REPLACE "\\.gz$" "" _page "${OUTPUT}")
configure_file(${TEMPLATE} ${_page} @ONLY)
# -n: no name or time stamp inside, so the same page packs to the same bytes.
execute_process(COMMAND ${GZIP} -9 -n -c ${_page} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "${GZIP} failed on ${_page}")
endif()
