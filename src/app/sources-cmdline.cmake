list(APPEND sources CommandLine.cpp)
