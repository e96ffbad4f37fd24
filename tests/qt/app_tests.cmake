# Tests of the application shell, headless (offscreen platform), in one
# GoogleTest binary with its own main that makes the QApplication.
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB KESTREL_APP_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app_*.cpp)
add_executable(kestrel_app_tests ${KESTREL_APP_TEST_SOURCES})
target_link_libraries(kestrel_app_tests PRIVATE kestrel_shell kestrel_testsupport Qt6::Test GTest::gtest)
gtest_discover_tests(kestrel_app_tests
  DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
