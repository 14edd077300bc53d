# The settings store file and the profile files.
zelkor_add_fuzzer(regedit_parse LIBS zelkor_platform)
zelkor_add_fuzzer(ini_parse LIBS zelkor_platform)
