# The mailer's and the dialer's readings of stored values.
zelkor_add_fuzzer(mail_addresses LIBS email_parts)
zelkor_add_fuzzer(dial_number LIBS dial_parts)
