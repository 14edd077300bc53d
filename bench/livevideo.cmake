# Live video: one field through the card's video port into the overlay and
# composed into a 704 x 480 window.
zelkor_add_bench(bench_livevideo SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_livevideo.cpp
    LIBS vcard_model vorrak_hardware zelkor_platform_fakes)
