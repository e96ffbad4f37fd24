# The application shell: application object, main frame, toolbar and boxes,
# splash, about box, help and command line, in kestrel_shell so the tests can
# link all of it; the kestrel program adds only main().
add_library(kestrel_shell STATIC
  about_dialog.cpp
  accelerators.cpp
  app_icon.cpp
  box_font.cpp
  command_menu.cpp
  compare_control.cpp
  command_line.cpp
  dib_qimage.cpp
  drop_open.cpp
  export_window.cpp
  help_path.cpp
  help_viewer.cpp
  kestrel_app.cpp
  main_frame.cpp
  recent_file_list.cpp
  shot_number_edit.cpp
  shot_toolbar.cpp
  splash_picture.cpp
  splash_wnd.cpp)
target_include_directories(kestrel_shell PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(kestrel_shell PUBLIC kestrel_commands kestrel_options kestrel_shots_view kestrel_shots_timeline kestrel_shots_follow kestrel_export kestrel_image kestrel_res Qt6::Widgets)

add_executable(kestrel main.cpp)
target_link_libraries(kestrel PRIVATE kestrel_shell kestrel_remote_qt)

include(GNUInstallDirs)
install(TARGETS kestrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
