# windows_program_resources(TARGET DESCRIPTION): the Windows program's icon
# and the version information Explorer shows (description, product, version,
# copyright), from the project's version.
enable_language(RC)

function(windows_program_resources target description)
  set(PROGRAM_NAME ${target})
  set(PROGRAM_DESCRIPTION "${description}")
  set(ICON_FILE ${PROJECT_SOURCE_DIR}/resources/icon/dispenser-console.ico)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/ProgramResources.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()
