# Turns the files of the resource manifest (resources/CMakeLists.txt) into a table compiled
# into a static library. Only CMake and the compiler are needed: each file becomes a C++
# array at build time, so a changed file is rebuilt without configuring again.

set(_TORMISAPLEX_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedFile.cmake)

# tormisaplex_resource(<NAME> <TYPE> <file> [SIZE <bytes>])
# TYPE: BITMAP (2), GROUP_ICON (14) or a number. SIZE makes the build fail unless the file
# has exactly that many bytes.
function(tormisaplex_resource name type file)
  cmake_parse_arguments(PARSE_ARGV 3 ARG "" "SIZE" "")
  if(type STREQUAL "BITMAP")
    set(type 2)
  elseif(type STREQUAL "GROUP_ICON")
    set(type 14)
  elseif(NOT type MATCHES "^[0-9]+$" OR type GREATER 65535)
    message(FATAL_ERROR "Resource ${name}: type must be BITMAP, GROUP_ICON or a number "
                        "0..65535, not '${type}'")
  endif()
  if(NOT name MATCHES "^[A-Za-z0-9_]+$")
    message(FATAL_ERROR "Resource '${name}': names are letters, digits and '_'")
  endif()
  get_filename_component(file "${file}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
    message(FATAL_ERROR "Resource ${name}: file not found: ${file}")
  endif()
  get_property(_entries GLOBAL PROPERTY TORMISAPLEX_RESOURCE_ENTRIES)
  foreach(_entry IN LISTS _entries)
    string(REPLACE "|" ";" _fields "${_entry}")
    list(GET _fields 0 _name)
    list(GET _fields 1 _type)
    if(_name STREQUAL name AND _type EQUAL type)
      message(FATAL_ERROR "Resource ${name} of type ${type} is listed twice")
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY TORMISAPLEX_RESOURCE_ENTRIES
               "${name}|${type}|${file}|${ARG_SIZE}")
endfunction()

# Builds the library <target> from every resource listed so far.
function(tormisaplex_embed_resources target)
  get_property(_entries GLOBAL PROPERTY TORMISAPLEX_RESOURCE_ENTRIES)
  set(_dir ${CMAKE_CURRENT_BINARY_DIR}/generated)
  set(_sources "")
  set(_decls "")
  set(_rows "")
  foreach(_entry IN LISTS _entries)
    string(REPLACE "|" ";" _fields "${_entry}")
    list(GET _fields 0 _name)
    list(GET _fields 1 _type)
    list(GET _fields 2 _file)
    list(GET _fields 3 _size)
    set(_symbol "resource_${_name}_${_type}")
    set(_out ${_dir}/${_symbol}.cpp)
    add_custom_command(
      OUTPUT ${_out}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${_file} -DOUTPUT=${_out} -DSYMBOL=${_symbol}
              -DSIZE=${_size} -P ${_TORMISAPLEX_EMBED_SCRIPT}
      DEPENDS ${_file} ${_TORMISAPLEX_EMBED_SCRIPT}
      COMMENT "Embedding resource ${_name} (type ${_type})"
      VERBATIM)
    list(APPEND _sources ${_out})
    string(APPEND _decls "extern const unsigned char ${_symbol}[];\n"
                         "extern const std::size_t ${_symbol}_size;\n")
    string(APPEND _rows "      {\"${_name}\", ${_type}, ${_symbol}, ${_symbol}_size},\n")
  endforeach()
  if(_rows)
    set(_body "  static const Entry entries[] = {\n${_rows}  };\n  return entries;")
  else()
    set(_body "  return {};")
  endif()
  file(CONFIGURE OUTPUT ${_dir}/ResourceTable.cpp @ONLY CONTENT
"// Generated from resources/CMakeLists.txt; do not edit.
#include \"resources/ResourceTable.h\"

namespace hi::resources {

${_decls}
std::span<const Entry> embeddedResources() {
${_body}
}

}  // namespace hi::resources
")
  add_library(${target} STATIC ${_dir}/ResourceTable.cpp ${_sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
