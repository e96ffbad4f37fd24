# Tests of the application shell, headless (offscreen platform), in one
# GoogleTest binary with its own main that makes the QApplication.
file(GLOB KESTREL_APP_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app_*.cpp)
list(APPEND KESTREL_APP_TEST_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/qt_test_main.cpp)
add_executable(kestrel_app_tests ${KESTREL_APP_TEST_SOURCES})
target_link_libraries(kestrel_app_tests PRIVATE kestrel_shell kestrel_testsupport GIF::GIF Qt6::Test GTest::gtest)
gtest_discover_tests(kestrel_app_tests
  DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${KESTREL_GUI_TEST_LABELS}")
target_compile_definitions(kestrel_app_tests PRIVATE KESTREL_PROGRAM_PATH="$<TARGET_FILE:kestrel>")
add_dependencies(kestrel_app_tests kestrel)

# The real-window test: kestrel in a virtual X server, driven by real key
# events. Skipped (exit status 77) where Xvfb, xdotool or ImageMagick are
# missing.
add_test(NAME kestrel_xvfb_keys
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/xvfb/kestrel_xvfb_test.sh $<TARGET_FILE:kestrel>)
list(TRANSFORM KESTREL_GUI_TEST_LABELS REPLACE "^gui$" "xvfb" OUTPUT_VARIABLE KESTREL_XVFB_TEST_LABELS)
set_tests_properties(kestrel_xvfb_keys PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120 LABELS "${KESTREL_XVFB_TEST_LABELS}")
