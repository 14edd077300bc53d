# The capture driver: the AVI reader that checks recorded clips.
zelkor_add_fuzzer(avi_read LIBS vcard_model)
