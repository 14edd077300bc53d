zelkor_add_fuzzer(fuzz_vcard_config LIBS vcard)
zelkor_add_fuzzer(fuzz_y4m LIBS vcard)
