# Camera, frustum and matrix math of the engine core, added to kor_core.
target_sources(kor_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/CameraMath.cpp)
