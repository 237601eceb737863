# qar_gtest(<name> SOURCES ... LIBS ...): a GoogleTest executable whose tests CTest lists one by one.
if(NOT QAR_FUZZ)
    find_package(GTest REQUIRED)
    include(GoogleTest)
endif()

function(qar_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE qar_common GTest::gtest GTest::gmock GTest::gtest_main ${ARG_LIBS})
    set(labels ${ARG_LABELS})
    if(NOT labels)
        set(labels core)
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS "${labels}"
        ENVIRONMENT "QAR_SOURCE_DIR=${PROJECT_SOURCE_DIR};XDG_STATE_HOME=${PROJECT_BINARY_DIR}/test-state")
endfunction()
