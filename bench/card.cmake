zelkor_add_bench(bench_bus
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_bus.cpp
    LIBS vorrak_hardware vcard_model zelkor_platform_fakes)
zelkor_add_bench(bench_y4m
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_y4m.cpp
    LIBS vcard_model)
