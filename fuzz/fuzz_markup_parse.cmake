# The markup parser and cursor alone: like fuzz_markup, it needs only the XML engine.
qar_fuzz_target(fuzz_markup_parse SOURCES fuzz_markup_parse.cpp LIBS qarcore_xml)
