# The capture dialogs' reading of typed text, chosen names and chosen audio
# formats.
zelkor_add_fuzzer(dialog_inputs LIBS vorrak_dialog_rules)
