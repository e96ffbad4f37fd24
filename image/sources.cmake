# The image library's sources (image/ and formats/), for every build that
# compiles it: the project itself and the fuzz build.
file(GLOB KESTREL_IMAGE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/*.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../formats/*.cpp)
