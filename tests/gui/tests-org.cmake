# Units and users: the numeric fields and the scrolling list, the page and the unit forms on a real
# SQLite database.
qar_gui_test(tst_orgcontrols OrgControlsTest.cpp)
