# The site properties dialog with its authentication and proxy dialogs (included by
# shellext/CMakeLists.txt). A program showing them compiles ${LARK_SHELLEXT_PROFILE_FORMS}
# (the template's definition included) into its resources with lark_forms, and carries the
# "PROFILE" icon.
set(LARK_SHELLEXT_PROFILE_FORMS
  ${LARK_SHELLEXT_TEMPLATE_FORM}
  ${CMAKE_CURRENT_LIST_DIR}/profile_form.form
  ${CMAKE_CURRENT_LIST_DIR}/authentication.form
  ${CMAKE_CURRENT_LIST_DIR}/personal_proxy.form
  CACHE INTERNAL "")
if(WIN32 AND NOT LARK_HOST_TOOLS_ONLY AND NOT LARK_FUZZ)
  add_library(shellext_profile_form STATIC ${CMAKE_CURRENT_LIST_DIR}/profile_form.cpp)
  target_include_directories(shellext_profile_form PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(shellext_profile_form PUBLIC shellext_help shellext_dialog_template shellext_folder shellext_sites
    localization framework_ui framework_win)
endif()
# The test program, in a folder of its own: its definitions compile into its own build folder.
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/tests/site ${CMAKE_CURRENT_BINARY_DIR}/dialogs/tests/site)
