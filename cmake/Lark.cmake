# Build conventions shared by every library, program, test, benchmark and fuzz target.

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
endif()

if(WIN32)
  # Win32 API in its Unicode and ANSI forms both reachable; no min/max macros.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # Each build's programs run under the Wine of their own architecture, in that build's prefix.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(LARK_WINE_ARCH win64)
  else()
    set(LARK_WINE_ARCH win32)
  endif()
  set(LARK_EMULATOR ${PROJECT_SOURCE_DIR}/testing/wine/wine-run ${LARK_WINE_ARCH})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LARK_EMULATOR})
endif()

if(LARK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(LARK_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# GoogleTest is compiled from Debian's sources in every build, so the cross build and the
# sanitizer build get a matching copy.
if(NOT LARK_FUZZ AND NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# lark_library(name [PORTABLE src...] [WIN32 src...] [DEPS lib...])
#   A static library with public headers in include/. WIN32 sources are left out of the host
#   build; a library with only WIN32 sources exists only in the win32 build.
function(lark_library name)
  cmake_parse_arguments(A "" "" "PORTABLE;WIN32;DEPS" ${ARGN})
  set(srcs ${A_PORTABLE})
  if(WIN32)
    list(APPEND srcs ${A_WIN32})
  endif()
  if(NOT srcs)
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  if(A_DEPS)
    target_link_libraries(${name} PUBLIC ${A_DEPS})
  endif()
endfunction()

# lark_test(name SOURCES src... [DEPS lib...] [WIN32_ONLY] [GUI] [TIMEOUT s])
#   One GoogleTest program registered as one ctest test. On the win32 build it runs under
#   Wine; GUI tests are labelled so the runner gives them the Xvfb display.
function(lark_test name)
  cmake_parse_arguments(A "WIN32_ONLY;GUI" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
  if(LARK_FUZZ OR (A_WIN32_ONLY AND NOT WIN32))
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} gtest gmock gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set(labels unit)
  if(A_GUI)
    set(labels gui)
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${A_TIMEOUT})
endfunction()

# lark_bench(name SOURCES src... [DEPS lib...]): a Google Benchmark program, host build only.
function(lark_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  if(WIN32 OR LARK_SANITIZE OR LARK_FUZZ)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark benchmark::benchmark_main)
  set_property(GLOBAL APPEND PROPERTY LARK_BENCHMARKS ${name})
endfunction()

# lark_fuzzer(name SOURCES src... [DEPS lib...]): a libFuzzer target, fuzz build only.
function(lark_fuzzer name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT LARK_FUZZ)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
