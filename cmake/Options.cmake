# Build options shared by every layer.

option(TORMISAPLEX_WITH_GUI "Build the Qt window layer and the program" ON)
option(TORMISAPLEX_BUILD_TESTS "Build the tests" ON)
option(TORMISAPLEX_BUILD_BENCH "Build the micro-benchmarks" ON)
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

# One test binary per layer, built from every source file of its test folder.
# A folder without test sources yet builds no binary.
function(tormisaplex_test name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE ${ARGN})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  tormisaplex_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "-Alone*"
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  # Suites named Alone... measure time: ctest runs their tests with nothing beside them.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "Alone*"
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" RUN_SERIAL TRUE)
endfunction()
