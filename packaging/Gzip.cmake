# cmake -DIN=FILE -DOUT=FILE.gz -P Gzip.cmake: compresses as Debian packages want
# (best compression, no name or time stamp, so the result is reproducible).
execute_process(COMMAND gzip -9nc INPUT_FILE "${IN}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "gzip ${IN} failed: ${rc}")
endif()
