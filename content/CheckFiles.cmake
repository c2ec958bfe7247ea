# cmake -DFOLDER=dir -DFILES="a;b" -P CheckFiles.cmake: fails unless every file is there
# and not empty.
foreach(file IN LISTS FILES)
  if(NOT EXISTS "${FOLDER}/${file}")
    message(FATAL_ERROR "content: ${FOLDER}/${file} was not made")
  endif()
  file(SIZE "${FOLDER}/${file}" size)
  if(size EQUAL 0)
    message(FATAL_ERROR "content: ${FOLDER}/${file} is empty")
  endif()
endforeach()
