# The Qt views: every src/<folder>/ui/ lists its files in sources.cmake (appending to qargui_sources),
# gathered into the static library qargui; qaradmin is main.cpp on top of it.
set(qargui_sources "")
foreach(folder app controls org catalog groups intake)
    include(${CMAKE_CURRENT_LIST_DIR}/${folder}/ui/sources.cmake OPTIONAL)
endforeach()

add_library(qargui STATIC ${qargui_sources} ${CMAKE_CURRENT_LIST_DIR}/resources/qaradmin.qrc)
set_target_properties(qargui PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
target_link_libraries(qargui PUBLIC qarcore Qt6::Widgets qar_gui_common)

add_executable(qaradmin ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(qaradmin PRIVATE qargui)
target_compile_definitions(qaradmin PRIVATE QAR_VERSION="${PROJECT_VERSION}")

qar_install_program(qaradmin admin COMMAND)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/resources/qaradmin.desktop
        DESTINATION ${QAR_INSTALL_SHARE_DIR}/applications COMPONENT admin)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/resources/icons/qaradmin-${size}.png
            DESTINATION ${QAR_INSTALL_SHARE_DIR}/icons/hicolor/${size}x${size}/apps RENAME qaradmin.png COMPONENT admin)
endforeach()
