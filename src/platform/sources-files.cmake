list(APPEND sources Paths.cpp TextUtil.cpp Md5.cpp SafeFile.cpp)
