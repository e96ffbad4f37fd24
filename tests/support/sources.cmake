# The test-file builders and helpers of tests/support, for every build that
# compiles them: the project itself and the fuzz build (its seeds).
file(GLOB KESTREL_TESTSUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
