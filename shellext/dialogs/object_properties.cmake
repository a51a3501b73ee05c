# The profile folder and remote object property dialogs (included by shellext/CMakeLists.txt
# after shellext_folder). A program showing them compiles ${LARK_SHELLEXT_PROPERTIES_FORMS} into
# its resources (lark_forms), beside the template's definition.
set(LARK_SHELLEXT_PROPERTIES_FORMS
  ${CMAKE_CURRENT_LIST_DIR}/profile_folder_form.form
  ${CMAKE_CURRENT_LIST_DIR}/fs_object_form.form
  CACHE INTERNAL "")
if(WIN32 AND NOT LARK_HOST_TOOLS_ONLY AND NOT LARK_FUZZ)
  add_library(shellext_object_properties STATIC ${CMAKE_CURRENT_LIST_DIR}/object_properties.cpp)
  target_include_directories(shellext_object_properties PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  # The extension's help, which the profile dialogs share.
  add_library(shellext_help STATIC ${CMAKE_CURRENT_LIST_DIR}/extension_help.cpp)
  target_include_directories(shellext_help PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(shellext_help PUBLIC shellext_dialog_template shellext_folder shellext_sites uicomponents framework_win)
  target_link_libraries(shellext_object_properties PUBLIC shellext_help shellext_dialog_template shellext_folder framework_ui shell32)
  # The tests compile the template's and the data module's definitions again: a directory of
  # their own keeps those outputs apart from the other programs'.
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/tests/object_properties ${CMAKE_CURRENT_BINARY_DIR}/object_properties_tests)
endif()
