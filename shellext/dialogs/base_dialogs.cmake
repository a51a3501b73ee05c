# The extension's about box (included by shellext/CMakeLists.txt). lx.dll links
# shellext_about_box and compiles its definition into its own resources:
#   lark_forms(lx FORMS ${LARK_SHELLEXT_ABOUT_FORM})
lark_about_box(shellext FORM_VARIABLE LARK_SHELLEXT_ABOUT_FORM
               DESCRIPTION "Extension about box tests" VERSION 3.1.2.8)

# The dialog template: the base of the extension's dialogs. A program showing them compiles
# ${LARK_SHELLEXT_TEMPLATE_FORM} with their own definitions (lark_forms).
set(LARK_SHELLEXT_TEMPLATE_FORM ${CMAKE_CURRENT_LIST_DIR}/std_dialog_template.form CACHE INTERNAL "")
if(WIN32 AND NOT LARK_HOST_TOOLS_ONLY)
  add_library(shellext_dialog_template STATIC ${CMAKE_CURRENT_LIST_DIR}/std_dialog_template.cpp)
  target_include_directories(shellext_dialog_template PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(shellext_dialog_template PUBLIC uicomponents_pictures uicomponents framework_ui)
endif()
lark_test(shellext_dialog_template_win_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/std_dialog_template_win_test.cpp
  DEPS shellext_dialog_template lark_gui_testing
  WIN32_ONLY GUI)
if(TARGET shellext_dialog_template_win_tests)
  lark_forms(shellext_dialog_template_win_tests
    FORMS ${LARK_SHELLEXT_TEMPLATE_FORM} ${CMAKE_CURRENT_LIST_DIR}/tests/forms/template_sample.form)
  lark_windows_resources(shellext_dialog_template_win_tests DESCRIPTION "Dialog template tests")
endif()
if(TARGET shellext_dialog_template_win_tests)
  # Modal windows take the focus, which belongs to the whole desktop: run alone.
  set_tests_properties(shellext_dialog_template_win_tests PROPERTIES RUN_SERIAL TRUE)
endif()
