# Data-source registration, change log and schema extension.
list(APPEND sources DataSourceRegistration.cpp ChangeLog.cpp SchemaExtension.cpp)
