# The installed programs: their version, their icon and version resource on
# Windows, and where `cmake --install` and the Debian package put them.
include(GNUInstallDirs)

set(KOLT_ICON_PNG ${PROJECT_SOURCE_DIR}/packaging/kolt-tarvo-conf.png)

if(WIN32)
    enable_language(RC)
    # The Windows icon, made from the same picture at the sizes Explorer uses.
    find_program(KOLT_IMAGEMAGICK NAMES convert REQUIRED)
    set(KOLT_ICON_ICO ${PROJECT_BINARY_DIR}/kolt-tarvo-conf.ico)
    add_custom_command(OUTPUT ${KOLT_ICON_ICO}
        COMMAND ${KOLT_IMAGEMAGICK} ${KOLT_ICON_PNG} -define icon:auto-resize=256,48,32,16 ${KOLT_ICON_ICO}
        DEPENDS ${KOLT_ICON_PNG}
        COMMENT "Making the Windows icon")
    add_custom_target(kolt-icon DEPENDS ${KOLT_ICON_ICO})
endif()

# kolt_add_program(TARGET DESCRIPTION): TARGET answers --version with the
# project's version, carries the icon and a version resource on Windows, and
# is installed.
function(kolt_add_program target description)
    target_compile_definitions(${target} PRIVATE KOLT_DESCRIPTION="${description}")
    if(WIN32)
        set(KOLT_RC_TARGET ${target})
        set(KOLT_RC_DESCRIPTION ${description})
        set(KOLT_RC_ICON ${KOLT_ICON_ICO})
        set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
        configure_file(${PROJECT_SOURCE_DIR}/packaging/program.rc.in ${rc} @ONLY)
        set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${KOLT_ICON_ICO})
        target_sources(${target} PRIVATE ${rc})
        add_dependencies(${target} kolt-icon)
    endif()
    if(WIN32)
        install(TARGETS ${target} RUNTIME DESTINATION .) # the package's top folder
    else()
        install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endfunction()

if(UNIX)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/kolt-tarvo-conf.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${KOLT_ICON_PNG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
    set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration tool for a filling-station controller")
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "kolt-tarvo-conf developers")
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_STRIP_FILES ON)
    include(CPack)
endif()
