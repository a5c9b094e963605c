# The version lives in one place, the project() call in CMakeLists.txt. Everything that shows
# it takes it from there: the programs' --version through the generated header
# "tormisaplex/Version.h" (target tormisaplex_version), the Debian package through CPack, and
# later the Windows version resource, which can include the same header.

foreach(_part MAJOR MINOR PATCH)
  set(TORMISAPLEX_VERSION_${_part} "${PROJECT_VERSION_${_part}}")
  if(TORMISAPLEX_VERSION_${_part} STREQUAL "")
    set(TORMISAPLEX_VERSION_${_part} 0)
  endif()
endforeach()
if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9]+(\\.[0-9]+)?$")
  # A Debian version and a Windows FILEVERSION both need plain numbers.
  message(FATAL_ERROR "The project version must be MAJOR.MINOR[.PATCH], not '${PROJECT_VERSION}'")
endif()

set(TORMISAPLEX_VERSION_INCLUDE_DIR ${PROJECT_BINARY_DIR}/generated/include)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in
               ${TORMISAPLEX_VERSION_INCLUDE_DIR}/tormisaplex/Version.h @ONLY)

add_library(tormisaplex_version INTERFACE)
target_include_directories(tormisaplex_version INTERFACE ${TORMISAPLEX_VERSION_INCLUDE_DIR})
