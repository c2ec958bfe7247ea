# Surfaces, textures and the image files they are loaded from.
target_sources(kor_graphics PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/PixelFormat.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Surface.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Texture.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TextureFormats.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TextureObject.cpp)
