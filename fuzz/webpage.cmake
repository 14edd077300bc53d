# The status page's reader of event bitmaps and frames.
zelkor_add_fuzzer(page_picture LIBS vorrak_webpage)
