# cmake -DPYTHON=... -DSCRIPT=... -DIMAGE=... -DWORK=... -P CheckTestImage.cmake
# Fails unless running SCRIPT writes exactly the bytes of IMAGE.
execute_process(COMMAND ${PYTHON} ${SCRIPT} ${WORK} RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} failed: ${_rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK} ${IMAGE} RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "${IMAGE} differs from what ${SCRIPT} makes: run the script again")
endif()
