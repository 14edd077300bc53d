# Installation. The programs find what they need beside themselves (the
# program folder is the executable's folder: Help/, Vrak.mdb, vcard.ini), so
# they go into one folder of their own with those files, and a desktop entry
# starts Vorrak from there.
include(GNUInstallDirs)

set(ZELKOR_PROGRAM_FOLDER ${CMAKE_INSTALL_LIBEXECDIR}/zelkor-oculara)

set(programs)
foreach(program Vorrak Histran manage VrakSetup sendcommand cardtool dial email)
    if(TARGET ${program})
        list(APPEND programs ${program})
    endif()
endforeach()
install(TARGETS ${programs} RUNTIME DESTINATION ${ZELKOR_PROGRAM_FOLDER})

# The programs and the files beside them, without the tests, benchmarks and
# fuzz targets: what running the suite needs (`--target programs`).
add_custom_target(programs)
add_dependencies(programs ${programs} empty_event_database)

# The empty event database the programs fall back to, the help page F1
# opens, and the virtual card's documented settings to copy to vcard.ini.
install(FILES ${CMAKE_BINARY_DIR}/bin/Vrak.mdb ${PROJECT_SOURCE_DIR}/vcard/vcard.ini.example
        DESTINATION ${ZELKOR_PROGRAM_FOLDER})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/vorrak/resources/help/
        DESTINATION ${ZELKOR_PROGRAM_FOLDER}/Help)

# The entry names the installed Vorrak by its full path, which is known only
# when installing (cmake --install --prefix may choose another prefix).
install(CODE "
    set(ZELKOR_VORRAK \"\${CMAKE_INSTALL_PREFIX}/${ZELKOR_PROGRAM_FOLDER}/Vorrak\")
    set(entry \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/zelkor-oculara.desktop\")
    message(STATUS \"Installing: \${entry}\")
    configure_file(\"${PROJECT_SOURCE_DIR}/cmake/zelkor-oculara.desktop.in\" \"\${entry}\" @ONLY)
")
