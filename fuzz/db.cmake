# The event database programs' parsers of outside input.
zelkor_add_fuzzer(fuzz_history_line LIBS histran_lib)
zelkor_add_fuzzer(fuzz_connection_string LIBS eventdb)
