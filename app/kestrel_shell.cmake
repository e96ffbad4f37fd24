# The application shell: application object, main frame, toolbar and boxes,
# splash, about box, help and command line, in kestrel_shell so the tests can
# link all of it; the kestrel program adds only main().
add_library(kestrel_shell STATIC
  about_dialog.cpp
  app_icon.cpp
  command_line.cpp
  dib_qimage.cpp
  help_path.cpp
  splash_picture.cpp
  splash_wnd.cpp)
target_include_directories(kestrel_shell PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(kestrel_shell PUBLIC kestrel_image kestrel_res Qt6::Widgets)
