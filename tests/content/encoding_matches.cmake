# Encodes assets-src into OUT and compares every output with assets/.
# Arguments: -DPYTHON=<interpreter> -DREPO=<repository> -DOUT=<folder>
file(REMOVE_RECURSE ${OUT})
execute_process(
  COMMAND ${PYTHON} ${REPO}/tools/encode_content.py
    --src ${REPO}/assets-src --out ${OUT}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "encode_content.py failed (${result})")
endif()

set(differ "")
foreach(name bilder.crp lang.crp hangman.crp TAMIRO.HLP)
  if(NOT EXISTS ${REPO}/assets/${name})
    list(APPEND differ "${name} (not committed)")
    continue()
  endif()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${REPO}/assets/${name}
    RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    list(APPEND differ ${name})
  endif()
endforeach()
if(differ)
  list(JOIN differ ", " differ)
  message(FATAL_ERROR "assets/ does not match the sources: ${differ}; "
    "run tools/encode_content.py and commit the result")
endif()
message(STATUS "assets/ matches the encoded sources")
