# The CSV reader of the bulk import, with its encoding detection and decoding.
qar_fuzz_target(fuzz_csv SOURCES fuzz_csv.cpp LIBS qarcore_intake)
