# The window on Qt Widgets: the forms runtime over the form definition.
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets)

add_library(console_forms STATIC
  ${CMAKE_CURRENT_LIST_DIR}/forms_runtime.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_controls.cpp)
target_include_directories(console_forms PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(console_forms PUBLIC Qt6::Widgets console_shell console_form)
