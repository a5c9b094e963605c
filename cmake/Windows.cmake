# Windows builds, cross-compiled with MinGW-w64 (cmake/toolchains/): the oldest Windows
# served, a runtime linked in statically so that each program is one file, the resource
# compiler, GoogleTest built from Debian's sources, and tests run under Wine.

enable_language(RC)

# Windows 7 SP1 and newer. UNICODE makes a forgotten ...A call a compile error in review
# rather than a code-page surprise at run time: texts cross into Win32 as UTF-16.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE NOMINMAX)

# 32 bit: doubles in SSE2 registers, as on x86-64. The x87 unit keeps intermediate results
# with more precision than a double, so a value computed twice could compare unequal.
# Every processor since 2003 has SSE2.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

# libgcc, libstdc++ and winpthread inside every executable: no DLL beside the program.
add_link_options(-static -static-libgcc -static-libstdc++)
# Release programs without symbols: they are handed around as files.
add_link_options($<$<CONFIG:Release,MinSizeRel>:-s>)

# The prefix in which the tests run; the two builds (64 and 32 bit) may share one.
set(TORMISAPLEX_WINEPREFIX "${CMAKE_BINARY_DIR}/wine-prefix" CACHE PATH
    "Wine prefix for running the tests")
# Linux build of tormisaplex-devsim and the pty shim (tools/wine), for the serial tests.
set(TORMISAPLEX_HOST_TOOLS "" CACHE PATH
    "bin/ folder of a Linux build of this project; enables the serial tests under Wine")

find_program(TORMISAPLEX_WINE wine)
if(TORMISAPLEX_WINE)
  # ctest runs each test program through this; it sets the prefix up on first use.
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${PROJECT_SOURCE_DIR}/tools/wine/run.sh ${TORMISAPLEX_WINEPREFIX})
endif()

# GoogleTest from the sources of Debian's googletest package: no MinGW build is packaged.
macro(tormisaplex_googletest)
  set(_gtest_src /usr/src/googletest/googletest)
  if(NOT EXISTS ${_gtest_src}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${_gtest_src}: install googletest")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)  # it uses Win32 threads on Windows
  add_subdirectory(${_gtest_src} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endmacro()

# Makes <target> a program in its own right: a version resource (the project's version,
# from tormisaplex/Version.h) and a manifest (common controls 6, Windows 7 to 11, no
# elevation).
#   tormisaplex_windows_program(<target> DESCRIPTION <text> [GUI])
# GUI: a window program (no console).
function(tormisaplex_windows_program target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "GUI" "DESCRIPTION" "")
  set(_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-program)
  get_target_property(_name ${target} OUTPUT_NAME)
  if(NOT _name)
    set(_name ${target})
  endif()
  set(TORMISAPLEX_RC_FILENAME "${_name}.exe")
  set(TORMISAPLEX_RC_DESCRIPTION "${ARG_DESCRIPTION}")
  set(TORMISAPLEX_RC_MANIFEST ${_dir}/program.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/program.manifest.in
                 ${TORMISAPLEX_RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/program.rc.in ${_dir}/program.rc @ONLY)
  target_sources(${target} PRIVATE ${_dir}/program.rc)
  target_link_libraries(${target} PRIVATE tormisaplex_version)
  set_source_files_properties(${_dir}/program.rc PROPERTIES
                              OBJECT_DEPENDS ${TORMISAPLEX_RC_MANIFEST})
  if(ARG_GUI)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
endfunction()
