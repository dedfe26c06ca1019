# The Qt platform the tests run on. The ThreadSanitizer build uses "minimal",
# which draws nothing: offscreen painting hands image conversions to Qt's
# own thread pool, whose locking that sanitizer cannot see.
set(KOLT_TEST_PLATFORM offscreen CACHE STRING "Qt platform plugin of the tests")

# kolt_add_qtest(NAME SOURCES... LIBS libs... [PLATFORM p])
# A QtTest program run by CTest on KOLT_TEST_PLATFORM, or on PLATFORM for a
# test that needs real window geometry.
function(kolt_add_qtest name)
    cmake_parse_arguments(ARG "" "TIMEOUT;PLATFORM" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    if(NOT ARG_PLATFORM)
        set(ARG_PLATFORM ${KOLT_TEST_PLATFORM})
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=${ARG_PLATFORM};QT_LOGGING_RULES=qt.qpa.*=false")
endfunction()

# kolt_add_plain_test(NAME SOURCES... LIBS libs...): a test program without Qt.
function(kolt_add_plain_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
endfunction()
