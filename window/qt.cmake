# The window on Qt Widgets: the forms runtime over the form definition, the
# automation interface on the session bus, and the command line.
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets DBus)

add_library(console_forms STATIC
  ${CMAKE_CURRENT_LIST_DIR}/busy_period.cpp
  ${CMAKE_CURRENT_LIST_DIR}/forms_runtime.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/adapted_object.cpp
  ${CMAKE_CURRENT_LIST_DIR}/automation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/automation_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp)
set_target_properties(console_forms PROPERTIES AUTOMOC ON)
target_include_directories(console_forms PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(console_forms PUBLIC Qt6::Widgets Qt6::DBus console_shell console_form
  PRIVATE fiscal_cli)
target_compile_definitions(console_forms PRIVATE FISCAL_CONSOLE_VERSION="${PROJECT_VERSION}")
