# 3DF meshes: the reader and the record types its writer shares.
target_sources(kor_graphics PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/Mesh3DF.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Mesh3DFFormat.cpp)
