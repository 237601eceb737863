# Installed layout: the program directory /opt/qar holds the binaries, with the site's UserData tree
# beside them as the platform lays it out; the commands are linked into /usr/bin; manual pages, the
# menu entry and the icons go where the desktop looks for them. Paths are relative to an install prefix
# of "/", which is also what the packages use.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX "/" CACHE PATH "Install prefix" FORCE)
endif()
set(QAR_INSTALL_PROGRAM_DIR opt/qar)
set(QAR_INSTALL_SHARE_DIR usr/share)
# Debian's packaging rules want every directory 0755, whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Installs `target` into the program directory (component `component`) and, when `command` is given,
# a link /usr/bin/<command> to it: the program finds its program directory through /proc/self/exe,
# which names the link's target.
function(qar_install_program target component)
    cmake_parse_arguments(arg "COMMAND" "" "" ${ARGN})
    install(TARGETS ${target} RUNTIME DESTINATION ${QAR_INSTALL_PROGRAM_DIR} COMPONENT ${component})
    if(arg_COMMAND)
        get_target_property(name ${target} OUTPUT_NAME)
        if(NOT name)
            set(name ${target})
        endif()
        set(link ${PROJECT_BINARY_DIR}/commands/${name})
        file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/commands)
        file(CREATE_LINK /${QAR_INSTALL_PROGRAM_DIR}/${name} ${link} SYMBOLIC)
        install(FILES ${link} DESTINATION usr/bin COMPONENT ${component})
    endif()
endfunction()
