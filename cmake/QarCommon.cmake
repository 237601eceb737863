# Common compile settings every target of the project links through qar_common.
add_library(qar_common INTERFACE)
target_compile_features(qar_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(qar_common INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual)
target_include_directories(qar_common INTERFACE ${PROJECT_SOURCE_DIR}/src)
if(QAR_WERROR)
    target_compile_options(qar_common INTERFACE -Werror)
endif()

if(QAR_SANITIZE)
    target_compile_options(qar_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    target_link_options(qar_common INTERFACE -fsanitize=address,undefined)
endif()

if(QAR_FUZZ)
    target_compile_options(qar_common INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(qar_common INTERFACE -fsanitize=address,undefined)
endif()

# Settings for the Qt views: no implicit conversions between QString and bytes, the core's text
# crosses into Qt in one place only.
add_library(qar_gui_common INTERFACE)
target_link_libraries(qar_gui_common INTERFACE qar_common)
target_compile_definitions(qar_gui_common INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_USE_QSTRINGBUILDER)

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
    set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

# qar_core_library(<folder> SOURCES ... DEPENDS ...): the static library qarcore_<folder>.
function(qar_core_library folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(qarcore_${folder} STATIC ${ARG_SOURCES})
    target_link_libraries(qarcore_${folder} PUBLIC qar_common ${ARG_DEPENDS})
endfunction()
