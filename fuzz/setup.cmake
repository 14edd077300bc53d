# The setup tool's command line.
zelkor_add_fuzzer(setup_arguments LIBS vraksetup_core)
