# The binary layouts: bitmap information header, bitmap file header, wave
# format record and the little-endian fields under them.
zelkor_add_fuzzer(formats_decode LIBS zelkor_formats)
