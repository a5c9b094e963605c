# Turns the files of the resource manifest (resources/CMakeLists.txt) into what the program
# carries. On Windows they become real resources, compiled by windres into every program that
# links the library, where FindResource finds them. Elsewhere they become a table compiled
# into a static library: each file becomes a C++ array at build time. Either way a changed
# file is rebuilt without configuring again.

set(_TORMISAPLEX_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedFile.cmake)
set(_TORMISAPLEX_STAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/StageFile.cmake)

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
  # Upper case: Windows folds resource names to upper case, so a name with small letters
  # would be found under spellings that the table of other systems refuses.
  if(NOT name MATCHES "^[A-Z0-9_]+$")
    message(FATAL_ERROR "Resource '${name}': names are capital letters, digits and '_'")
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
  if(WIN32)
    _tormisaplex_resource_script(${target})
    return()
  endif()
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

# Windows: a resource script naming a checked copy of each file. The compiled script is
# linked as an object file into every program that links <target>: a resource object in a
# static library would be left out, since nothing refers to it by symbol.
function(_tormisaplex_resource_script target)
  get_property(_entries GLOBAL PROPERTY TORMISAPLEX_RESOURCE_ENTRIES)
  set(_dir ${CMAKE_CURRENT_BINARY_DIR}/generated)
  set(_staged "")
  set(_lines "")
  foreach(_entry IN LISTS _entries)
    string(REPLACE "|" ";" _fields "${_entry}")
    list(GET _fields 0 _name)
    list(GET _fields 1 _type)
    list(GET _fields 2 _file)
    list(GET _fields 3 _size)
    get_filename_component(_ext "${_file}" LAST_EXT)
    set(_copy ${_dir}/${_name}_${_type}${_ext})
    add_custom_command(
      OUTPUT ${_copy}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${_file} -DOUTPUT=${_copy} -DSIZE=${_size}
              -P ${_TORMISAPLEX_STAGE_SCRIPT}
      DEPENDS ${_file} ${_TORMISAPLEX_STAGE_SCRIPT}
      COMMENT "Checking resource ${_name} (type ${_type})"
      VERBATIM)
    list(APPEND _staged ${_copy})
    if(_type EQUAL 2)
      set(_keyword BITMAP)
    elseif(_type EQUAL 14)
      set(_keyword ICON)  # the .ico file becomes the group and its images
    else()
      set(_keyword ${_type})
    endif()
    string(APPEND _lines "${_name} ${_keyword} \"${_copy}\"\n")
  endforeach()
  file(CONFIGURE OUTPUT ${_dir}/resources.rc @ONLY CONTENT
"// Generated from resources/CMakeLists.txt; do not edit.
${_lines}")
  add_library(${target}_objects OBJECT ${_dir}/resources.rc)
  set_source_files_properties(${_dir}/resources.rc PROPERTIES OBJECT_DEPENDS "${_staged}")
  add_library(${target} INTERFACE)
  target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} INTERFACE $<TARGET_OBJECTS:${target}_objects>)
endfunction()
