zelkor_add_bench(bench_compare SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_compare.cpp LIBS vorrak_detection)
# Guard mode's scan and tracing ticks on the virtual card (the test rig).
zelkor_add_bench(bench_guard SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_guard.cpp LIBS guard_engine_rig vorrak_webpage)
