# Vorrak's start-up inputs and the command sender's arguments.
zelkor_add_fuzzer(shell_inputs LIBS vorrak_shell)
