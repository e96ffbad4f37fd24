# Tests of the player view and of the framework adaptation under it,
# headless, in one GoogleTest binary with its own QApplication main.
file(GLOB KESTREL_SHOT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/shot_*.cpp)
list(APPEND KESTREL_SHOT_TEST_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/qt_test_main.cpp)
add_executable(kestrel_shot_tests ${KESTREL_SHOT_TEST_SOURCES})
target_link_libraries(kestrel_shot_tests PRIVATE kestrel_shots_view kestrel_testsupport Qt6::Test GTest::gtest)
gtest_discover_tests(kestrel_shot_tests
  DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${KESTREL_GUI_TEST_LABELS}")
