# The Windows installer Morvanex-<version>-x64.msi, written by wixl from cmake/morvanex.wxs with the
# two programs stripped of their debugging information. Included by the top level on Windows. wixl
# takes the files it packs by names relative to where it runs: all of them are staged in one folder.
find_program(MORVANEX_WIXL wixl)
if(NOT MORVANEX_WIXL)
  message(STATUS "No wixl: the Windows installer is not built")
  return()
endif()
set(MORVANEX_MSI ${CMAKE_BINARY_DIR}/Morvanex-${PROJECT_VERSION}-x64.msi)
set(staged ${CMAKE_BINARY_DIR}/installer)
file(MAKE_DIRECTORY ${staged})
add_custom_command(
  OUTPUT ${MORVANEX_MSI}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${staged}
  COMMAND ${CMAKE_STRIP} -o ${staged}/Morvanex.exe $<TARGET_FILE:Morvanex>
  COMMAND ${CMAKE_STRIP} -o ${staged}/morvanex-cli.exe $<TARGET_FILE:morvanex-cli>
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/resources/app_icon.ico ${staged}
  COMMAND ${MORVANEX_WIXL} -a x64 -D Version=${PROJECT_VERSION} -o ${MORVANEX_MSI}
          ${PROJECT_SOURCE_DIR}/cmake/morvanex.wxs
  WORKING_DIRECTORY ${staged}
  DEPENDS Morvanex morvanex-cli ${PROJECT_SOURCE_DIR}/cmake/morvanex.wxs ${PROJECT_SOURCE_DIR}/resources/app_icon.ico
  COMMENT "Writing the Windows installer ${MORVANEX_MSI}"
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${MORVANEX_MSI})
