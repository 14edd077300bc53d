zelkor_add_fuzzer(vcard_config LIBS vcard)
zelkor_add_fuzzer(y4m LIBS vcard)
