# The ODBC data-source store (the "registry"): unixODBC's odbc.ini files through the odbcinst library.
find_library(QAR_ODBCINST_LIBRARY NAMES odbcinst REQUIRED)
list(APPEND sources CXRegistry.cpp)
list(APPEND platform_libs ${QAR_ODBCINST_LIBRARY})
