# What the player view shows, apart from its widgets: the zoom, fit and pan
# geometry and the shot overlay's text (plain C++).
add_library(kestrel_shots_view_core STATIC
  shot_overlay.cpp
  view_geometry.cpp)
target_link_libraries(kestrel_shots_view_core PUBLIC kestrel_shots_document kestrel_shots_follow_core)
set_target_properties(kestrel_shots_view_core PROPERTIES AUTOMOC OFF)
target_link_libraries(kestrel_shots_view PUBLIC kestrel_shots_view_core)
# The view's zoom, fit and overlay commands, its mouse handling and the
# overlay box, on Qt Widgets.
target_sources(kestrel_shots_view PRIVATE player_view_zoom.cpp view_pointer.cpp)
