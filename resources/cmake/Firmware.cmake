# The firmware image the program carries as its resource STREAM0: the test image in this
# folder, or a vendor image given with -DTORMISAPLEX_FIRMWARE=/path/image.bin.

set(TORMISAPLEX_FIRMWARE_SIZE 260096)  # 1016 blocks of 256 bytes
set(TORMISAPLEX_FIRMWARE "" CACHE FILEPATH
    "Firmware image to build into the program (exactly 260096 bytes); empty: the test image")

# Fails the configuration with a clear message unless <file> is a firmware image.
function(tormisaplex_check_firmware file)
  set(_hint "Set TORMISAPLEX_FIRMWARE to an image of exactly ${TORMISAPLEX_FIRMWARE_SIZE} "
            "bytes (1016 blocks of 256), or leave it empty to build with the test image.")
  if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
    message(FATAL_ERROR "Firmware image not found: ${file}\n" ${_hint})
  endif()
  file(SIZE "${file}" _size)
  if(NOT _size EQUAL TORMISAPLEX_FIRMWARE_SIZE)
    message(FATAL_ERROR "Firmware image ${file} is ${_size} bytes, but it must be exactly "
                        "${TORMISAPLEX_FIRMWARE_SIZE} bytes.\n" ${_hint})
  endif()
endfunction()

# Sets <out> to the checked path of the image to embed.
function(tormisaplex_firmware_image out)
  if(TORMISAPLEX_FIRMWARE)
    get_filename_component(_file "${TORMISAPLEX_FIRMWARE}" ABSOLUTE)
    message(STATUS "Firmware image: ${_file}")
  else()
    set(_file ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../firmware-test.bin)
    get_filename_component(_file "${_file}" ABSOLUTE)
  endif()
  tormisaplex_check_firmware("${_file}")
  set(${out} "${_file}" PARENT_SCOPE)
endfunction()
