# Compresses INPUT into OUTPUT with GZIP as the Debian tools want it: the best compression
# and no name or time in the header (-n -9), so the same input always gives the same bytes.
# Usage: cmake -DGZIP=gzip -DINPUT=file -DOUTPUT=file.gz -P gzip.cmake
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
execute_process(COMMAND ${GZIP} -n -9 -c ${INPUT} OUTPUT_FILE ${OUTPUT}.new
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(REMOVE ${OUTPUT}.new)
    message(FATAL_ERROR "gzip ${INPUT} failed: ${status}")
endif()
file(RENAME ${OUTPUT}.new ${OUTPUT})
