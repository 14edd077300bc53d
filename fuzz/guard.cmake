zelkor_add_fuzzer(read_frame_bitmap LIBS vorrak_detection)
# The detection cycle and object tracing over fuzzed work files.
zelkor_add_fuzzer(guard_ticks LIBS vorrak_guard_engine zelkor_platform_fakes)
# The event journal read back at start-up.
zelkor_add_fuzzer(event_journal LIBS vorrak_guard_engine)
