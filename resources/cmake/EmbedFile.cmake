# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> [-DSIZE=<bytes>] -P EmbedFile.cmake
# Writes the bytes of INPUT as the array SYMBOL and its size as SYMBOL_size.
file(SIZE "${INPUT}" _size)
if(SIZE AND NOT _size EQUAL SIZE)
  message(FATAL_ERROR "${INPUT} is ${_size} bytes; it must be exactly ${SIZE} bytes")
endif()
file(READ "${INPUT}" _hex HEX)
string(REPEAT "[0-9a-f][0-9a-f]" 32 _row)
string(REGEX REPLACE "(${_row})" "\\1\n" _hex "${_hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
if(_size EQUAL 0)
  set(_bytes "0")  # an array cannot be empty; the size below stays 0
endif()
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.
#include <cstddef>

namespace hi::resources {

extern const unsigned char ${SYMBOL}[];
extern const std::size_t ${SYMBOL}_size;

alignas(16) const unsigned char ${SYMBOL}[] = {
${_bytes}
};
const std::size_t ${SYMBOL}_size = ${_size};

}  // namespace hi::resources
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
