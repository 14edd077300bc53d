# The capture driver: grab + save + read back of a guard frame, and the
# MJPEG encoding of a clip frame.
zelkor_add_bench(bench_capture SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_capture.cpp
    LIBS vcard vorrak_detection zelkor_platform_fakes)
