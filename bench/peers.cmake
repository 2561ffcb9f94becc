# The whole-process measurements of bench/startup_memory.sh: the peer program, the window watcher
# and the preview memory probe. Not Google Benchmark programs.
add_executable(minimal_window ${CMAKE_CURRENT_LIST_DIR}/minimal_window.cpp)
target_link_libraries(minimal_window PRIVATE Qt6::Widgets)

add_executable(preview_memory ${CMAKE_CURRENT_LIST_DIR}/preview_memory.cpp)
target_link_libraries(preview_memory PRIVATE quillmere_character)

# The watcher needs Xlib and its DAMAGE extension (libxdamage-dev, which bench/run.sh installs).
find_package(X11)
if(X11_FOUND AND X11_Xdamage_FOUND)
    add_executable(window_watch ${CMAKE_CURRENT_LIST_DIR}/window_watch.cpp)
    target_link_libraries(window_watch PRIVATE X11::X11 X11::Xdamage)
    set_target_properties(window_watch PROPERTIES AUTOMOC OFF)
else()
    message(STATUS "No Xlib with DAMAGE: window_watch, and so the start-up figures, are not built")
endif()
