# Tests of following a directory, headless (offscreen platform), in their own
# GoogleTest binary with a main that makes the QApplication.
find_package(GTest REQUIRED)
include(GoogleTest)

if(TARGET kestrel_shots_follow)
  file(GLOB KESTREL_FOLLOW_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/follow_*.cpp)
  # The player view links only once the drawing code is in the image library.
  if(EXISTS ${PROJECT_SOURCE_DIR}/image/device_context.cpp)
    set(KESTREL_FOLLOW_VIEW kestrel_shots_view)
  else()
    list(FILTER KESTREL_FOLLOW_TEST_SOURCES EXCLUDE REGEX "/follow_view_test\\.cpp$")
  endif()
  add_executable(kestrel_follow_tests ${KESTREL_FOLLOW_TEST_SOURCES})
  target_link_libraries(kestrel_follow_tests PRIVATE kestrel_shots_follow ${KESTREL_FOLLOW_VIEW} kestrel_testsupport
                        Qt6::Widgets Qt6::Test GTest::gtest)
  gtest_discover_tests(kestrel_follow_tests
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
