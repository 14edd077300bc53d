# The setup tool's command line.
zelkor_add_fuzzer(setup_arguments LIBS vraksetup_core)
# The camera of --camera and the wizard, and the card configuration it goes into.
zelkor_add_fuzzer(camera_choice LIBS vraksetup_core)
