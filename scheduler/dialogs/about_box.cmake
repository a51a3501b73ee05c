# The scheduler's about box (included by scheduler/CMakeLists.txt). A program showing it links
# scheduler_about_box and compiles its definition into its own resources:
#   lark_forms(<program> FORMS ${LARK_SCHEDULER_ABOUT_FORM})
set(LARK_SCHEDULER_ABOUT_FORM ${CMAKE_CURRENT_LIST_DIR}/about_box.form CACHE INTERNAL "")
if(WIN32 AND NOT LARK_HOST_TOOLS_ONLY)
  add_library(scheduler_about_box STATIC ${CMAKE_CURRENT_LIST_DIR}/about_box.cpp)
  target_include_directories(scheduler_about_box PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(scheduler_about_box PUBLIC uicomponents_pictures localization framework_ui framework_win)
endif()
lark_test(scheduler_about_box_win_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/about_box_win_test.cpp
  DEPS scheduler_about_box lark_gui_testing
  WIN32_ONLY GUI TIMEOUT 300)
if(TARGET scheduler_about_box_win_tests)
  lark_forms(scheduler_about_box_win_tests FORMS ${LARK_SCHEDULER_ABOUT_FORM})
  lark_windows_resources(scheduler_about_box_win_tests DESCRIPTION "Scheduler about box tests" VERSION 2.4.0.17)
endif()
if(TARGET scheduler_about_box_win_tests)
  # Modal windows take the focus, which belongs to the whole desktop: run alone.
  set_tests_properties(scheduler_about_box_win_tests PROPERTIES RUN_SERIAL TRUE)
endif()
