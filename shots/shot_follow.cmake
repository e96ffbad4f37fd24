# Following a directory while shots arrive, the shot report and the play
# interval option.
# - kestrel_shots_follow_core: plain C++ (list patching, the kernel's change
#   notification, GIF completeness, the report, the interval).
# - kestrel_shots_follow: the follower itself, on Qt's event loop.
add_library(kestrel_shots_follow_core STATIC
  gif_completeness.cpp
  play_interval.cpp
  shot_directory_watch.cpp
  shot_list_patcher.cpp
  shot_report.cpp)
target_link_libraries(kestrel_shots_follow_core PUBLIC kestrel_shots_document)
set_target_properties(kestrel_shots_follow_core PROPERTIES AUTOMOC OFF)

add_library(kestrel_shots_follow STATIC
  shot_directory_follower.cpp)
target_link_libraries(kestrel_shots_follow PUBLIC kestrel_shots_follow_core Qt6::Core)
set_target_properties(kestrel_shots_follow PROPERTIES AUTOMOC OFF)
