# Build options shared by every layer.

option(TORMISAPLEX_WITH_GUI "Build the program's window realisation and the program" ON)
# The toolkit the program's window is realised with (window/<toolkit>/), by target system.
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(_toolkit win32)
else()
  set(_toolkit qt)
endif()
set(TORMISAPLEX_TOOLKIT ${_toolkit} CACHE STRING "Toolkit of the program's window: qt, win32")
# Tests and benchmarks are built by default where their frameworks are installed, so that a
# build for running the program alone (make run) needs neither; make test asks for the tests.
if(CMAKE_CROSSCOMPILING)
  set(_tormisaplex_tests_default ON)  # GoogleTest is built from Debian's sources there
  set(_tormisaplex_bench_default OFF)
else()
  find_package(GTest QUIET)
  find_package(benchmark QUIET)
  set(_tormisaplex_tests_default ${GTest_FOUND})
  set(_tormisaplex_bench_default ${benchmark_FOUND})
endif()
option(TORMISAPLEX_BUILD_TESTS "Build the tests" ${_tormisaplex_tests_default})
option(TORMISAPLEX_BUILD_BENCH "Build the micro-benchmarks" ${_tormisaplex_bench_default})
option(TORMISAPLEX_FUZZ "Build the fuzz target (clang with libFuzzer)" OFF)
set(SANITIZE "" CACHE STRING
    "Comma-separated sanitizers for every target, e.g. address,undefined or thread")

if(SANITIZE)
  string(REPLACE "," ";" _sanitizers "${SANITIZE}")
  set(_flags "")
  foreach(_s IN LISTS _sanitizers)
    list(APPEND _flags "-fsanitize=${_s}")
    if(_s STREQUAL "undefined")
      # Wrap-around and real-to-integer conversions are defined behaviour here;
      # these checks prove the code never relies on the undefined kind.
      list(APPEND _flags -fsanitize=float-cast-overflow -fno-sanitize-recover=all)
    endif()
  endforeach()
  add_compile_options(${_flags} -fno-omit-frame-pointer -g)
  add_link_options(${_flags})
endif()

# Hardening as Debian builds its own packages: checked libc calls, a stack protector, and
# relocations resolved at start and then read-only. Not under sanitizers, whose run-time
# takes over the same calls, and not without optimisation, where _FORTIFY_SOURCE does nothing.
# ELF and glibc only: MinGW would need libssp, and PE has no RELRO.
if(NOT SANITIZE AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
  add_compile_options(-fstack-protector-strong)
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()

# The fuzz target sees which branches every input reaches, in all of our code. Comparisons
# are not traced: the CRC element's 256-entry table, rebuilt for every image byte, would
# spend most of the time there, and the script supplies right CRCs itself.
if(TORMISAPLEX_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link -fno-sanitize-coverage=trace-cmp)
endif()

# Warnings are errors in our own code only; third-party headers come in as SYSTEM.
function(tormisaplex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                         -Wnon-virtual-dtor -Wold-style-cast -Werror)
  # GCC 12 reports overlaps that cannot happen inside std::string at -O3 (GCC bug 105329).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# One static library per layer, built from every source file in its folder.
# A folder without sources yet gives an interface library, so dependants still link.
function(tormisaplex_layer name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(_src)
    add_library(${name} STATIC ${_src})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    tormisaplex_warnings(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
  endif()
endfunction()

# Links a layer library to its dependencies whether or not it has sources yet.
function(tormisaplex_link name)
  get_target_property(_type ${name} TYPE)
  if(_type STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${name} INTERFACE ${ARGN})
  else()
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# One test binary, built from every source file of its test folders (a list) and of each
# folder's subfolder for the target system (posix/ or win32/: tests that only build there).
# Tests of binaries that share sources are told apart by a PREFIX. Folders without test
# sources yet build no binary. TOOLKIT_DIRS: the folders' subfolders are toolkits' (win32/ is
# the Win32 realisation's tests there), not the target system's.
function(tormisaplex_test name dirs)
  cmake_parse_arguments(_t "TOOLKIT_DIRS" "PREFIX" "" ${ARGN})
  if(WIN32)
    set(_system win32)
  else()
    set(_system posix)
  endif()
  set(_src "")
  foreach(_dir IN LISTS dirs)
    if(_t_TOOLKIT_DIRS)
      file(GLOB _dir_src CONFIGURE_DEPENDS ${_dir}/*.cpp)
    else()
      file(GLOB _dir_src CONFIGURE_DEPENDS ${_dir}/*.cpp ${_dir}/${_system}/*.cpp)
    endif()
    list(APPEND _src ${_dir_src})
  endforeach()
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE ${_t_UNPARSED_ARGUMENTS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  tormisaplex_warnings(${name})
  if(CMAKE_CROSSCOMPILING)
    # Each start of a program under Wine costs a good part of a second: one test per
    # binary rather than one per case. Suites named Devsim... need the simulator on a COM
    # port (tests/CMakeLists.txt runs them in sessions of their own).
    add_test(NAME ${_t_PREFIX}${name} COMMAND ${name} --gtest_filter=-Alone*:Devsim*)
    foreach(_file IN LISTS _src)
      file(STRINGS ${_file} _alone REGEX "TEST(_F|_P)?\\(Alone")
      if(_alone)
        add_test(NAME ${_t_PREFIX}${name}_alone COMMAND ${name} --gtest_filter=Alone*)
        set_tests_properties(${_t_PREFIX}${name}_alone PROPERTIES RUN_SERIAL TRUE)
        break()
      endif()
    endforeach()
    return()
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "-Alone*" TEST_PREFIX "${_t_PREFIX}"
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 600)
  # Suites named Alone... measure time: ctest runs their tests with nothing beside them.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "Alone*" TEST_PREFIX "${_t_PREFIX}"
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" RUN_SERIAL TRUE
                                  TIMEOUT 600)
endfunction()
