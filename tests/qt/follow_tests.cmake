# Tests of following a directory, headless (offscreen platform), in their own
# GoogleTest binary with a main that makes the QApplication: the follower on
# its own, under the player view, and in the running application.
file(GLOB KESTREL_FOLLOW_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/follow_*.cpp)
list(APPEND KESTREL_FOLLOW_TEST_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/qt_test_main.cpp)
add_executable(kestrel_follow_tests ${KESTREL_FOLLOW_TEST_SOURCES})
target_link_libraries(kestrel_follow_tests PRIVATE kestrel_shell kestrel_shots_follow kestrel_testsupport
                      Qt6::Test GTest::gtest)
target_compile_definitions(kestrel_follow_tests PRIVATE KESTREL_PROGRAM_PATH="$<TARGET_FILE:kestrel>")
add_dependencies(kestrel_follow_tests kestrel)
gtest_discover_tests(kestrel_follow_tests
  DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${KESTREL_GUI_TEST_LABELS}")
