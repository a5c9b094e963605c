# cmake -DINPUT=<file> -DOUTPUT=<file> [-DSIZE=<bytes>] -P StageFile.cmake
# Copies INPUT to OUTPUT for the resource compiler, after checking its size.
file(SIZE "${INPUT}" _size)
if(SIZE AND NOT _size EQUAL SIZE)
  message(FATAL_ERROR "${INPUT} is ${_size} bytes; it must be exactly ${SIZE} bytes")
endif()
file(COPY_FILE "${INPUT}" "${OUTPUT}" ONLY_IF_DIFFERENT)
