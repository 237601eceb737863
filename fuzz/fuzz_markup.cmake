# The markup engine alone: the fuzz build does not wait for the other core folders.
qar_fuzz_target(fuzz_markup SOURCES fuzz_markup.cpp LIBS qarcore_xml)
