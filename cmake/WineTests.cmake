# Windows test programs run under Wine in a prefix owned by this build tree
# (never ~/.wine), with a private Xvfb display. The fixture "wine_env" starts
# the display, creates the prefix once and mounts the small tmpfs drive T:.
#
# add_wine_test(NAME SOURCES src... [LIBS lib...] [LOCK] [TIMEOUT seconds])
#   LOCK: the test changes state of the prefix that other tests read (the
#   registry, the Windows directory, the Start menu, services) and must not
#   run beside another LOCK test.

set(WINE_ENV_DIR ${CMAKE_BINARY_DIR}/wine-env)
set(WINE_RUN ${CMAKE_SOURCE_DIR}/tests/harness/wine-run.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_RUN} ${WINE_ENV_DIR})
# The harness picks the prefix's architecture from the programs'.
file(MAKE_DIRECTORY ${WINE_ENV_DIR})
file(WRITE ${WINE_ENV_DIR}/windows-arch "${CMAKE_SYSTEM_PROCESSOR}\n")

function(add_wine_fixture)
    add_test(NAME wine_env_start COMMAND ${CMAKE_SOURCE_DIR}/tests/harness/wine-env.sh start ${WINE_ENV_DIR})
    add_test(NAME wine_env_stop COMMAND ${CMAKE_SOURCE_DIR}/tests/harness/wine-env.sh stop ${WINE_ENV_DIR})
    set_tests_properties(wine_env_start PROPERTIES FIXTURES_SETUP wine_env TIMEOUT 600)
    set_tests_properties(wine_env_stop PROPERTIES FIXTURES_CLEANUP wine_env TIMEOUT 60)
endfunction()

function(add_wine_test name)
    cmake_parse_arguments(ARG "LOCK" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE wine_test_support gtest_main gtest ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED wine_env
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "VARNLET_TEST_OUTPUT=${CMAKE_BINARY_DIR}/test-output/${name}")
    if(ARG_LOCK)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_prefix_state)
    endif()
endfunction()
