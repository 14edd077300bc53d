zelkor_add_bench(bench_compare SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_compare.cpp LIBS vorrak_guard)
