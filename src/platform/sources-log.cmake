list(APPEND sources DiagnosticLog.cpp)
