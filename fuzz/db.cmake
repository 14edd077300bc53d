# The event database programs' parsers of outside input.
zelkor_add_fuzzer(history_line LIBS histran_lib)
zelkor_add_fuzzer(connection_string LIBS eventdb)
zelkor_add_fuzzer(history_reader LIBS histran_lib)
zelkor_add_fuzzer(password_mask LIBS eventdb)
zelkor_add_fuzzer(pg_row_id LIBS eventdb)
