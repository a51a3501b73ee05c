# Thread timer, animated image and JPEG pictures: the about boxes' components. The frame and
# timing logic and the JPEG decoding are portable (host-tested); the controls are Win32.
# libjpeg: Debian's on the host, the set-up's cross-built copy (build/deps) on Windows.
if(WIN32)
  set(lark_jpeg_root ${PROJECT_SOURCE_DIR}/build/deps/libjpeg-${CMAKE_SYSTEM_PROCESSOR})
  if(NOT EXISTS ${lark_jpeg_root}/lib/libjpeg.a)
    message(FATAL_ERROR "libjpeg for ${CMAKE_SYSTEM_PROCESSOR} is missing: run scripts/setup.sh")
  endif()
  add_library(lark_jpeg STATIC IMPORTED)
  set_target_properties(lark_jpeg PROPERTIES IMPORTED_LOCATION ${lark_jpeg_root}/lib/libjpeg.a
    INTERFACE_INCLUDE_DIRECTORIES ${lark_jpeg_root}/include)
else()
  find_package(JPEG REQUIRED)
  add_library(lark_jpeg ALIAS JPEG::JPEG)
endif()

lark_library(uicomponents_pictures
  PORTABLE
    src/timer_thread.cpp
    src/glyph_strip.cpp
    src/jpeg_decoder.cpp
    src/button_row.cpp
  WIN32
    src/win/thread_timer.cpp
    src/win/animated_image.cpp
    src/win/jpeg_image.cpp
    src/win/link_label.cpp
    src/win/about_form.cpp
  DEPS core lark_jpeg)
if(TARGET uicomponents_pictures AND WIN32)
  target_link_libraries(uicomponents_pictures PUBLIC uicomponents localization)
endif()
if(WIN32)
  target_link_libraries(uicomponents_pictures PUBLIC framework_ui framework_win msimg32 gdi32 shell32)
else()
  find_package(Threads REQUIRED)
  target_link_libraries(uicomponents_pictures PUBLIC Threads::Threads)
endif()

lark_test(uicomponents_pictures_tests
  SOURCES tests/timer_thread_test.cpp tests/glyph_strip_test.cpp tests/jpeg_decoder_test.cpp tests/button_row_test.cpp
  DEPS uicomponents_pictures)

lark_test(uicomponents_pictures_win_tests
  SOURCES tests/thread_timer_win_test.cpp tests/animated_image_win_test.cpp tests/version_line_win_test.cpp
    tests/radio_group_win_test.cpp
  DEPS uicomponents_pictures lark_gui_testing
  WIN32_ONLY GUI)
if(TARGET uicomponents_pictures_win_tests)
  lark_windows_resources(uicomponents_pictures_win_tests DESCRIPTION "Picture component tests")
endif()
if(TARGET uicomponents_pictures_win_tests)
  # Shown windows take the focus, which belongs to the whole desktop: run alone.
  set_tests_properties(uicomponents_pictures_win_tests PROPERTIES RUN_SERIAL TRUE)
endif()
