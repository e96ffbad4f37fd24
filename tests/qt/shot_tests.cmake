# Tests of the player view and of the framework adaptation under it,
# headless, in one GoogleTest binary with its own QApplication main.
file(GLOB KESTREL_SHOT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/shot_*.cpp)
list(APPEND KESTREL_SHOT_TEST_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/qt_test_main.cpp)
add_executable(kestrel_shot_tests ${KESTREL_SHOT_TEST_SOURCES})
target_link_libraries(kestrel_shot_tests PRIVATE kestrel_shots_view kestrel_shots_timeline kestrel_testsupport Qt6::Test GTest::gtest)
gtest_discover_tests(kestrel_shot_tests
  DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${KESTREL_GUI_TEST_LABELS}")
# The drawing on a high-density screen: the same binary at a device pixel
# ratio of 2.
add_test(NAME kestrel_shot_view_ratio_2 COMMAND kestrel_shot_tests --gtest_filter=ShotViewRatio2.*)
set_tests_properties(kestrel_shot_view_ratio_2 PROPERTIES TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=2" LABELS "${KESTREL_GUI_TEST_LABELS}")
