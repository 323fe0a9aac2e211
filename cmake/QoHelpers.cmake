# Helpers shared by every module of the tree.

# Warnings as errors on both targets.
function(qo_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    # GCC 12 reports overlapping copies inside libstdc++'s own string code at
    # high optimisation (GCC bug 105329): a false positive, not ours to fix.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
endfunction()

# qo_library(name SOURCES ... [LIBS ...]): a static module library.
function(qo_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    qo_warnings(${name})
endfunction()

# Under Wine every test program shares the build's private prefix, which a
# CTest fixture creates once and keeps served by a persistent wineserver.
function(qo_wine_fixture)
    if(NOT WIN32)
        return()
    endif()
    set(QO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE INTERNAL "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(arch win64)
    else()
        set(arch win32)
    endif()
    add_test(NAME wine_prefix_start
             COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix start ${QO_WINEPREFIX} ${arch})
    set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine)
    add_test(NAME wine_prefix_stop
             COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix stop ${QO_WINEPREFIX} ${arch})
    set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()

# Properties every test gets: the Wine prefix on Windows, and a private HOME
# and XDG folders so no test touches the user's real settings.
function(qo_test_properties testname)
    set(home ${CMAKE_BINARY_DIR}/testhome/${testname})
    file(MAKE_DIRECTORY ${home})
    set(env "HOME=${home}" "XDG_CONFIG_HOME=${home}/.config" "QO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    if(WIN32)
        list(APPEND env "WINEPREFIX=${QO_WINEPREFIX}")
        set_tests_properties(${testname} PROPERTIES FIXTURES_REQUIRED wine)
    endif()
    set_tests_properties(${testname} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
endfunction()

# qo_loop_device_tests(program SOURCE LIBS plain loop): a GoogleTest program
# with its own main (wizard/media/testing/loop_device_main.h) run as two CTest
# tests: plain alone, loop with --loop-devices (root and loop devices; exit
# code 77 is a skip; the loop devices are one resource).
function(qo_loop_device_tests program source libs plain loop)
    add_executable(${program} ${source})
    target_link_libraries(${program} PRIVATE ${libs} qo_testsupport GTest::gtest)
    target_include_directories(${program} PRIVATE ${PROJECT_SOURCE_DIR})
    qo_warnings(${program})
    add_test(NAME ${plain} COMMAND ${program})
    add_test(NAME ${loop} COMMAND ${program} --loop-devices)
    qo_test_properties(${plain})
    qo_test_properties(${loop})
    set_tests_properties(${loop} PROPERTIES SKIP_RETURN_CODE 77 RESOURCE_LOCK loop_devices)
endfunction()

# qo_test(name SOURCES ... [LIBS ...] [LAUNCHER command ...]): one GoogleTest
# program, registered as one CTest test (a Wine start per program, not per
# case). A launcher (such as a script that starts local servers) runs the
# program as its last argument.
function(qo_test name)
    if(NOT QO_BUILD_TESTS)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LAUNCHER" ${ARGN})
    if(NOT ARG_SOURCES)
        return()  # a module whose tests are not written yet
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} qo_testsupport GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    qo_warnings(${name})
    if(ARG_LAUNCHER)
        add_test(NAME ${name}
                 COMMAND ${ARG_LAUNCHER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    qo_test_properties(${name})
endfunction()

# qo_program(name SOURCES ... [LIBS ...] [WIN32_RC file]): a shipped program.
# On Windows it is a GUI-subsystem executable with its resource script.
function(qo_program name)
    cmake_parse_arguments(ARG "" "WIN32_RC" "SOURCES;LIBS" ${ARGN})
    if(WIN32)
        add_executable(${name} WIN32 ${ARG_SOURCES} ${ARG_WIN32_RC})
        target_link_options(${name} PRIVATE -municode)
    else()
        add_executable(${name} ${ARG_SOURCES})
    endif()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    qo_warnings(${name})
    install(TARGETS ${name} RUNTIME DESTINATION .)
endfunction()

# qo_fuzz(name SOURCES ... [LIBS ...]): a libFuzzer target (clang). The whole
# fuzz build is compiled with coverage and sanitizers (QO_FUZZ in the top file),
# so the fuzzer is guided into the module libraries and catches their memory
# errors; the target itself adds libFuzzer's driver.
function(qo_fuzz name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    qo_warnings(${name})
endfunction()
