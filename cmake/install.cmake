# What 'cmake --install' puts beside the two programs (their own install rules live with their
# targets): demo songs, manuals, the desktop entry, the mime type and the bash completion.
# quandor-tool.1 is made at build time from the tool's own --help texts, so it cannot drift
# from them.
find_package(Python3 COMPONENTS Interpreter)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/songs/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quandor/songs
        FILES_MATCHING PATTERN "*.sng")

install(FILES ${PROJECT_SOURCE_DIR}/docs/quandor.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(Python3_Interpreter_FOUND)
  set(QUANDOR_TOOL_MANUAL ${PROJECT_BINARY_DIR}/quandor-tool.1)
  add_custom_command(
    OUTPUT ${QUANDOR_TOOL_MANUAL}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/gen_manpage.py
            $<TARGET_FILE:quandor-tool> ${PROJECT_SOURCE_DIR}/docs/quandor-tool.1.in
            ${QUANDOR_TOOL_MANUAL} ${PROJECT_VERSION}
    DEPENDS quandor-tool ${PROJECT_SOURCE_DIR}/scripts/gen_manpage.py
            ${PROJECT_SOURCE_DIR}/docs/quandor-tool.1.in
    COMMENT "Generating quandor-tool.1 from the tool's help texts"
    VERBATIM)
  add_custom_target(quandor_manuals ALL DEPENDS ${QUANDOR_TOOL_MANUAL})
  install(FILES ${QUANDOR_TOOL_MANUAL} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "python3 not found: quandor-tool.1 is neither built nor installed")
endif()

install(FILES ${PROJECT_SOURCE_DIR}/data/quandor.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/quandor-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME quandor.xml)
install(FILES ${PROJECT_SOURCE_DIR}/data/quandor-tool.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quandor-tool)
