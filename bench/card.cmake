zelkor_add_bench(bench_bus
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_bus.cpp
    LIBS vorrak_hardware vcard_model zelkor_platform_fakes)
zelkor_add_bench(bench_y4m
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_y4m.cpp
    LIBS vcard_model)
# The stream: source: decoding an H.264 file and turning its pictures into
# fields, against plain FFmpeg decoding of the same file.
zelkor_add_bench(bench_stream
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_stream.cpp
    LIBS vcard_model PkgConfig::FFMPEG)
