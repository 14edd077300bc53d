# The system services: the WAVE reader of the sound output, and the command
# lines of the programs the settings name, and the station option of every
# program.
zelkor_add_fuzzer(wave_parse LIBS zelkor_platform)
zelkor_add_fuzzer(command_line LIBS zelkor_platform)
zelkor_add_fuzzer(station_argument LIBS zelkor_platform)
