zelkor_add_fuzzer(vcard_config LIBS vcard_model)
zelkor_add_fuzzer(y4m LIBS vcard_model)
zelkor_add_fuzzer(stream_file LIBS vcard_model)
