include(GoogleTest)

# A GoogleTest program under build/<preset>/tests, its cases registered with ctest.
# Windows run on Qt's offscreen platform and message boxes go to the console,
# so the tests run on machines without a display.
function(zelkor_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(${name}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
        DISCOVERY_TIMEOUT 60
        TEST_LIST ${name}_TESTS)
    # gtest_discover_tests splits a list-valued ENVIRONMENT into separate
    # properties, so the environment is set by a file ctest reads after the
    # discovered tests.
    set(env QT_QPA_PLATFORM=offscreen ZELKOR_UI=console
            ZELKOR_BIN_DIR=${CMAKE_BINARY_DIR}/bin ZELKOR_SOURCE_DIR=${PROJECT_SOURCE_DIR}
            ZELKOR_BUILD_DIR=${CMAKE_BINARY_DIR})
    set(envfile ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
    file(WRITE ${envfile}
        "set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT \"${env}\")\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${envfile})
endfunction()

# A Google Benchmark program under build/<preset>/bench.
function(zelkor_add_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()

# A fuzz target: fuzz/<name>.cpp defines LLVMFuzzerTestOneInput.
# With ZELKOR_FUZZ (clang) it is a libFuzzer program that ctest runs for
# ZELKOR_FUZZ_SECONDS, starting from the seeds in fuzz/corpus/<name>.
# Otherwise it is linked with a replay driver and ctest feeds it the seeds,
# so every build at least runs the parser over the known inputs.
function(zelkor_add_fuzzer name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    set(seeds ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
    add_executable(${name} ${PROJECT_SOURCE_DIR}/fuzz/${name}.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    if(ZELKOR_FUZZ)
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        set(work ${CMAKE_BINARY_DIR}/fuzz/corpus/${name})
        file(MAKE_DIRECTORY ${work})
        add_test(NAME fuzz.${name}
            COMMAND ${name} -max_total_time=${ZELKOR_FUZZ_SECONDS} -rss_limit_mb=2048
                    -timeout=10 -print_final_stats=1 ${work} ${seeds})
        set_tests_properties(fuzz.${name} PROPERTIES
            LABELS fuzz WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    else()
        target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
        add_test(NAME fuzz_replay.${name} COMMAND ${name} ${seeds})
        set_tests_properties(fuzz_replay.${name} PROPERTIES LABELS fuzz)
    endif()
endfunction()
