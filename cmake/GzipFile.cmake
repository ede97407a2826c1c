# cmake -DINPUT=file -DOUTPUT=file.gz -P GzipFile.cmake: compresses INPUT as Debian wants
# its manual pages and changelogs, at the highest level and without the file's name and
# time stamp, so that the same source gives the same bytes.
execute_process(COMMAND gzip -9 -n -c "${INPUT}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "gzip ${INPUT} failed: ${result}")
endif()
