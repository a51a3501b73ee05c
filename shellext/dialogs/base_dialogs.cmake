# The extension's about box (included by shellext/CMakeLists.txt). lx.dll links
# shellext_about_box and compiles its definition into its own resources:
#   lark_forms(lx FORMS ${LARK_SHELLEXT_ABOUT_FORM})
set(LARK_SHELLEXT_ABOUT_FORM ${CMAKE_CURRENT_LIST_DIR}/about_box.form CACHE INTERNAL "")
if(WIN32 AND NOT LARK_HOST_TOOLS_ONLY)
  add_library(shellext_about_box STATIC ${CMAKE_CURRENT_LIST_DIR}/about_box.cpp)
  target_include_directories(shellext_about_box PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(shellext_about_box PUBLIC uicomponents_pictures localization framework_ui framework_win)
endif()
lark_test(shellext_about_box_win_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/about_box_win_test.cpp
  DEPS shellext_about_box lark_gui_testing
  WIN32_ONLY GUI TIMEOUT 300)
if(TARGET shellext_about_box_win_tests)
  lark_forms(shellext_about_box_win_tests FORMS ${LARK_SHELLEXT_ABOUT_FORM})
  lark_windows_resources(shellext_about_box_win_tests DESCRIPTION "Extension about box tests" VERSION 3.1.2.8)
endif()

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
foreach(test shellext_about_box_win_tests shellext_dialog_template_win_tests)
  if(TARGET ${test})
    # Modal windows take the focus, which belongs to the whole desktop: run alone.
    set_tests_properties(${test} PROPERTIES RUN_SERIAL TRUE)
  endif()
endforeach()
