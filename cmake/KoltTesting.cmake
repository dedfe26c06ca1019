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

# kolt_label_test(TEST PROGRAM LABELS...): gives the test the labels; for the
# label "tsan" the program joins the target tsan-tests, which builds what
# `ctest -L tsan` runs.
function(kolt_label_test test program)
    set_property(TEST ${test} APPEND PROPERTY LABELS ${ARGN})
    if("tsan" IN_LIST ARGN)
        add_dependencies(tsan-tests ${program})
    endif()
endfunction()

# kolt_add_qtest(NAME SOURCES... LIBS libs... [TIMEOUT seconds] [LABELS labels...])
# A QtTest program run by CTest on Qt's offscreen platform: real widgets and
# window geometry, no display.
function(kolt_add_qtest name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set(environment QT_QPA_PLATFORM=offscreen "QT_LOGGING_RULES=qt.qpa.*=false")
    if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
        list(TRANSFORM environment PREPEND WINE)
        kolt_wine_environment(wine)
        list(APPEND environment ${wine})
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${environment}")
    if(ARG_LABELS)
        kolt_label_test(${name} ${name} ${ARG_LABELS})
    endif()
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
