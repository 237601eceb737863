# Server detection, the Start Service button and the refresh notification.
list(APPEND sources ServerControl.cpp)
list(APPEND app_libs qarcore_vexnet)
