# kolt_wine_environment(OUT): for a Windows test under wine
# (CMAKE_CROSSCOMPILING_EMULATOR), which hands the program its WINEQT_*
# variables as QT_* and finds the DLLs of Qt and of the compiler's runtime
# through WINEPATH.
function(kolt_wine_environment out)
    get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
    get_filename_component(qt_bin ${qt_core_dll} DIRECTORY)
    set(wine_path ${qt_bin})
    foreach(dll libstdc++-6.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
            OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        get_filename_component(dll_dir ${dll_path} DIRECTORY)
        list(APPEND wine_path ${dll_dir})
    endforeach()
    # Escaped so that the separators stay inside one item of ENVIRONMENT.
    list(JOIN wine_path "\\\;" wine_path)
    set(${out} "WINEPATH=${wine_path}" WINEQT_FORCE_STDERR_LOGGING=1 PARENT_SCOPE)
endfunction()

# kolt_qtest_environment(OUT [WINDOWS_PLATFORM] VARIABLES...): the
# environment of a QtTest program: Qt's offscreen platform, or with
# WINDOWS_PLATFORM in a Windows build the real one (which needs a display
# under wine), and VARIABLES. Under wine Qt's variables go as WINEQT_*.
function(kolt_qtest_environment out)
    cmake_parse_arguments(ARG "WINDOWS_PLATFORM" "" "" ${ARGN})
    set(environment "QT_LOGGING_RULES=qt.qpa.*=false" ${ARG_UNPARSED_ARGUMENTS})
    if(NOT (WIN32 AND ARG_WINDOWS_PLATFORM))
        list(APPEND environment QT_QPA_PLATFORM=offscreen)
    endif()
    if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
        list(TRANSFORM environment PREPEND WINE REGEX "^QT_")
        kolt_wine_environment(wine)
        list(APPEND environment ${wine})
    endif()
    set(${out} "${environment}" PARENT_SCOPE)
endfunction()

# kolt_label_test(TEST PROGRAM LABELS...): gives the test the labels; for the
# label "tsan" the program joins the target tsan-tests, which builds what
# `ctest -L tsan` runs.
function(kolt_label_test test program)
    set_property(TEST ${test} APPEND PROPERTY LABELS ${ARGN})
    if("tsan" IN_LIST ARGN)
        add_dependencies(tsan-tests ${program})
    endif()
endfunction()

# kolt_add_qtest(NAME SOURCES... LIBS libs... [TIMEOUT seconds] [LABELS labels...]
#                [WINDOWS_PLATFORM])
# A QtTest program run by CTest on Qt's offscreen platform: real widgets and
# window geometry, no display. WINDOWS_PLATFORM: see kolt_qtest_environment.
function(kolt_add_qtest name)
    cmake_parse_arguments(ARG "WINDOWS_PLATFORM" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    if(ARG_WINDOWS_PLATFORM)
        set(ARG_WINDOWS_PLATFORM WINDOWS_PLATFORM)
    else()
        set(ARG_WINDOWS_PLATFORM "")
    endif()
    kolt_add_qtest_run(${name} ${name} TIMEOUT ${ARG_TIMEOUT} ${ARG_WINDOWS_PLATFORM})
    if(ARG_LABELS)
        kolt_label_test(${name} ${name} ${ARG_LABELS})
    endif()
endfunction()

# kolt_add_qtest_run(NAME PROGRAM [TIMEOUT seconds] [WINDOWS_PLATFORM]
#                    [ENVIRONMENT variables...])
# A CTest entry that runs the QtTest program PROGRAM with more variables.
function(kolt_add_qtest_run name program)
    cmake_parse_arguments(ARG "WINDOWS_PLATFORM" "TIMEOUT" "ENVIRONMENT" ${ARGN})
    add_test(NAME ${name} COMMAND ${program})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    if(ARG_WINDOWS_PLATFORM)
        kolt_qtest_environment(environment WINDOWS_PLATFORM ${ARG_ENVIRONMENT})
    else()
        kolt_qtest_environment(environment ${ARG_ENVIRONMENT})
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${environment}")
endfunction()

# kolt_add_plain_test(NAME SOURCES... LIBS libs... [TIMEOUT seconds] [LABELS labels...]):
# a test program without Qt.
function(kolt_add_plain_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    if(ARG_LABELS)
        kolt_label_test(${name} ${name} ${ARG_LABELS})
    endif()
endfunction()
