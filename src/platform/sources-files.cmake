list(APPEND sources Paths.cpp TextUtil.cpp Md5.cpp SafeFile.cpp FileStamp.cpp)
# The installed ODBC drivers lie in the folder of the target's multiarch triplet (x86_64-linux-gnu,
# aarch64-linux-gnu ...) on Debian and its derivatives.
if(CMAKE_LIBRARY_ARCHITECTURE)
    set_property(SOURCE Paths.cpp APPEND PROPERTY COMPILE_DEFINITIONS
        QAR_LIBRARY_ARCHITECTURE="${CMAKE_LIBRARY_ARCHITECTURE}")
endif()
