# The system services: the WAVE reader of the sound output.
zelkor_add_fuzzer(wave_parse LIBS zelkor_platform)
