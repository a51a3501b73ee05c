# Build conventions shared by every library, program, test, benchmark and fuzz target.

# A warning in the project's own code fails the GCC builds (host, host-asan, win32, win64);
# third-party code keeps its own rules: GoogleTest below, libjpeg in its set-up script. The
# clang fuzz build still reports clang's own extra warnings without failing.
option(LARK_WERROR "Treat warnings in the project's own code as errors" ON)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
  if(LARK_WERROR AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-Werror>)
  endif()
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
if(NOT LARK_FUZZ AND NOT LARK_HOST_TOOLS_ONLY AND NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(target gtest gtest_main gmock gmock_main)
    target_compile_options(${target} PRIVATE -Wno-error)
  endforeach()
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
  if(LARK_FUZZ OR LARK_HOST_TOOLS_ONLY OR (A_WIN32_ONLY AND NOT WIN32))
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
  # A program that dies never reaches GoogleTest's summary, whatever its exit code says (under
  # Wine a stack overflow ends with 0): only the summary counts as a pass, a failed test fails.
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${A_TIMEOUT}
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]" FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
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

# The host tools of a cross build (the window definition compiler): this same source tree
# configured for the host in LARK_HOST_TOOLS_ONLY mode (core, localization, tools) inside the
# build folder, built before anything that needs them, so each cross build stays one command.
if(WIN32 AND NOT LARK_HOST_TOOLS_ONLY)
  enable_language(RC)
  include(ExternalProject)
  set(LARK_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
  set(LARK_FORMC ${LARK_HOST_TOOLS_DIR}/bin/formc)
  ExternalProject_Add(lark_host_tools
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${LARK_HOST_TOOLS_DIR}
    PREFIX ${LARK_HOST_TOOLS_DIR}/stamps
    CMAKE_GENERATOR ${CMAKE_GENERATOR}
    CMAKE_ARGS -DLARK_HOST_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -Wno-dev
    # A modest share of the machine: the cross build's own jobs run beside it.
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${LARK_HOST_TOOLS_DIR} --target formc --parallel 4
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${LARK_FORMC})
endif()

# lark_forms(target FORMS a.form b.form ...)
#   Compiles each window definition into forms/<Class>.tpf beside the target's build files (the
#   others of the list are the known forms: bases and references across windows). In the Windows
#   builds the streams are linked into the target as RCDATA resources named after the class in
#   capitals (forms/<target>.rc); on the host they are built with the target.
function(lark_forms target)
  cmake_parse_arguments(A "" "" "FORMS" ${ARGN})
  if(WIN32)
    set(formc ${LARK_FORMC})
    set(formc_deps lark_host_tools ${LARK_FORMC})
  else()
    set(formc $<TARGET_FILE:formc>)
    set(formc_deps formc)
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/forms)
  set(forms)
  foreach(form ${A_FORMS})
    get_filename_component(form ${form} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND forms ${form})
  endforeach()
  set(outputs)
  set(rc "// Generated by lark_forms: the window definitions of ${target}.\n")
  foreach(form ${forms})
    # The class name leads the definition; file(...) values are inputs too.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${form})
    file(READ ${form} text)
    string(REGEX REPLACE "#[^\n]*" "" text "${text}")
    if(NOT text MATCHES "^[ \t\r\n]*([A-Za-z_][A-Za-z0-9_]*)")
      message(FATAL_ERROR "${form}: a definition starts with its class name")
    endif()
    set(class ${CMAKE_MATCH_1})
    get_filename_component(form_dir ${form} DIRECTORY)
    set(inputs)
    string(REGEX MATCHALL "file[ \t]*\\([ \t]*\"[^\"]*\"" refs "${text}")
    foreach(ref ${refs})
      string(REGEX REPLACE "^file[ \t]*\\([ \t]*\"([^\"]*)\"$" "\\1" name "${ref}")
      list(APPEND inputs ${form_dir}/${name})
    endforeach()
    set(others ${forms})
    list(REMOVE_ITEM others ${form})
    set(with)
    if(others)
      set(with --with ${others})
    endif()
    set(out ${dir}/${class}.tpf)
    # Targets of one directory share a form's stream: the first list that names it makes the rule.
    get_property(made DIRECTORY PROPERTY LARK_FORM_OUTPUTS)
    if(NOT out IN_LIST made)
      set_property(DIRECTORY APPEND PROPERTY LARK_FORM_OUTPUTS ${out})
      add_custom_command(
        OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${formc} -o ${out} ${form} ${with}
        DEPENDS ${form} ${others} ${inputs} ${formc_deps}
        COMMENT "formc: ${class}"
        VERBATIM)
    endif()
    list(APPEND outputs ${out})
    string(TOUPPER ${class} resource)
    string(APPEND rc "${resource} RCDATA \"forms/${class}.tpf\"\n")
  endforeach()
  if(WIN32)
    set(rcfile ${dir}/${target}.rc)
    file(CONFIGURE OUTPUT ${rcfile} CONTENT "${rc}")
    set_source_files_properties(${rcfile} PROPERTIES OBJECT_DEPENDS "${outputs}")
    set_property(SOURCE ${rcfile} APPEND PROPERTY INCLUDE_DIRECTORIES ${CMAKE_CURRENT_BINARY_DIR})
    target_sources(${target} PRIVATE ${rcfile})
  else()
    target_sources(${target} PRIVATE ${outputs})
  endif()
endfunction()

# The one version of the programs (their version resources).
set(LARK_VERSION 1.0.0.0)

# lark_windows_resources(target DESCRIPTION text [VERSION a.b.c.d] [ISOLATION_AWARE])
#   Links an application manifest (common controls 6, system-DPI aware) and a version resource
#   (translation 0409/1252, string table "040904e4") into a Windows target. A program's manifest
#   is resource 1, read when the process starts. ISOLATION_AWARE (a DLL loaded into another
#   process) makes it resource 2: the DLL activates it around its own window calls and leaves the
#   host's context alone. Nothing in the host build.
function(lark_windows_resources target)
  cmake_parse_arguments(A "ISOLATION_AWARE" "DESCRIPTION;VERSION" "" ${ARGN})
  if(NOT WIN32 OR LARK_FUZZ OR LARK_HOST_TOOLS_ONLY)
    return()
  endif()
  if(NOT A_DESCRIPTION)
    message(FATAL_ERROR "lark_windows_resources(${target}): DESCRIPTION is required")
  endif()
  if(NOT A_VERSION)
    set(A_VERSION ${LARK_VERSION})
  endif()
  if(NOT A_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
    message(FATAL_ERROR "lark_windows_resources(${target}): VERSION ${A_VERSION} is not a.b.c.d")
  endif()
  set(LARK_RES_NAME ${target})
  set(LARK_RES_DESCRIPTION ${A_DESCRIPTION})
  set(LARK_RES_VERSION_DOTTED ${A_VERSION})
  string(REPLACE "." "," LARK_RES_VERSION_COMMAS ${A_VERSION})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(LARK_RES_FILETYPE VFT_APP)
    set(LARK_RES_FILENAME ${target}.exe)
  else()
    set(LARK_RES_FILETYPE VFT_DLL)
    set(LARK_RES_FILENAME ${target}.dll)
  endif()
  if(A_ISOLATION_AWARE)
    set(LARK_RES_MANIFEST_ID 2)
  else()
    set(LARK_RES_MANIFEST_ID 1)
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/resources/${target})
  set(LARK_RES_MANIFEST ${dir}/${target}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/resources/manifest.xml.in ${LARK_RES_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/resources/resources.rc.in ${dir}/${target}.rc @ONLY)
  set_source_files_properties(${dir}/${target}.rc PROPERTIES OBJECT_DEPENDS ${LARK_RES_MANIFEST})
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
endfunction()

# lark_about_box(prefix FORM_VARIABLE var DESCRIPTION text VERSION a.b.c.d)
#   A deliverable's about box from about_box.cpp and about_box.form beside the calling file: the
#   definition's path in the cache variable `var` (a program showing the box compiles it into its
#   own resources with lark_forms), the library prefix_about_box (Windows builds), and its test
#   prefix_about_box_win_tests from tests/about_box_win_test.cpp, a program of that version.
function(lark_about_box prefix)
  cmake_parse_arguments(A "" "FORM_VARIABLE;DESCRIPTION;VERSION" "" ${ARGN})
  set(dir ${CMAKE_CURRENT_LIST_DIR})
  set(${A_FORM_VARIABLE} ${dir}/about_box.form CACHE INTERNAL "")
  if(WIN32 AND NOT LARK_HOST_TOOLS_ONLY)
    add_library(${prefix}_about_box STATIC ${dir}/about_box.cpp)
    target_include_directories(${prefix}_about_box PUBLIC ${dir})
    target_link_libraries(${prefix}_about_box PUBLIC uicomponents_pictures localization framework_ui framework_win)
  endif()
  set(test ${prefix}_about_box_win_tests)
  lark_test(${test} SOURCES ${dir}/tests/about_box_win_test.cpp DEPS ${prefix}_about_box lark_gui_testing
            WIN32_ONLY GUI TIMEOUT 300)
  if(TARGET ${test})
    lark_forms(${test} FORMS ${dir}/about_box.form)
    lark_windows_resources(${test} DESCRIPTION ${A_DESCRIPTION} VERSION ${A_VERSION})
    # Modal windows take the focus, which belongs to the whole desktop: run alone.
    set_tests_properties(${test} PROPERTIES RUN_SERIAL TRUE)
  endif()
endfunction()

# lark_idl(name IDL file.idl)
#   Runs widl for the target architecture over an IDL file: the declarations (name.h), the ids
#   (name_i.c) and the type library (name.tlb) in the current build folder's "idl/name". Sets
#   name_IDL_DIR, name_HEADER, name_IDS and name_TLB in the caller's scope and makes a target
#   name_idl that builds them. Imports resolve against Wine's IDL files and importlib against
#   Wine's compiled stdole2 (either architecture's copy serves). Windows builds only.
function(lark_idl name)
  cmake_parse_arguments(A "" "IDL" "" ${ARGN})
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(widl_names x86_64-w64-mingw32-widl)
    set(widl_arch --win64)
  else()
    set(widl_names i686-w64-mingw32-widl)
    set(widl_arch --win32)
  endif()
  find_program(LARK_WIDL NAMES ${widl_names} REQUIRED)
  find_path(LARK_STDOLE2_DIR stdole2.tlb
    PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows
          /usr/lib/wine/x86_64-windows /usr/lib/wine/i386-windows
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(LARK_WINE_IDL_DIR /usr/include/wine/wine/windows CACHE PATH "Wine's IDL files (imports only)")
  get_filename_component(idl ${A_IDL} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/idl/${name})
  set(header ${dir}/${name}.h)
  set(ids ${dir}/${name}_i.c)
  set(tlb ${dir}/${name}.tlb)
  add_custom_command(
    OUTPUT ${header} ${ids} ${tlb}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${LARK_WIDL} ${widl_arch} -I${LARK_WINE_IDL_DIR} -L${LARK_STDOLE2_DIR}
            -h -H ${header} -u -U ${ids} -t -T ${tlb} ${idl}
    DEPENDS ${idl}
    COMMENT "widl: ${name}"
    VERBATIM)
  add_custom_target(${name}_idl DEPENDS ${header} ${ids} ${tlb})
  set(${name}_IDL_DIR ${dir} PARENT_SCOPE)
  set(${name}_HEADER ${header} PARENT_SCOPE)
  set(${name}_IDS ${ids} PARENT_SCOPE)
  set(${name}_TLB ${tlb} PARENT_SCOPE)
endfunction()
