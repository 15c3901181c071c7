# Installs a text file compressed, as Debian wants manual pages and changelogs: without a time stamp,
# so the package is the same from one build to the next.
find_program(MORVANEX_GZIP gzip REQUIRED)

function(morvanex_install_gzipped source destination name)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${name})
  add_custom_command(OUTPUT ${copy}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
                     COMMAND ${MORVANEX_GZIP} -9nf ${copy}
                     DEPENDS ${source} VERBATIM)
  string(MAKE_C_IDENTIFIER "gzip_${name}_${destination}" target)
  add_custom_target(${target} ALL DEPENDS ${copy}.gz)
  install(FILES ${copy}.gz DESTINATION ${destination})
endfunction()
