# The Windows installer Morvanex-<version>-x64.msi, written by wixl from cmake/morvanex.wxs with the
# two programs stripped of their debugging information. Included by the top level on Windows. wixl
# takes the files it packs by names relative to where it runs: all of them are staged in one folder.
find_program(MORVANEX_WIXL wixl)
find_program(MORVANEX_MSIBUILD msibuild)
if(NOT MORVANEX_WIXL OR NOT MORVANEX_MSIBUILD)
  message(STATUS "No wixl or no msibuild (msitools): the Windows installer is not built")
  return()
endif()
set(MORVANEX_MSI ${CMAKE_BINARY_DIR}/Morvanex-${PROJECT_VERSION}-x64.msi)
set(staged ${CMAKE_BINARY_DIR}/installer)
file(MAKE_DIRECTORY ${staged})

# The workspace is the administrators': whoever can put an image and its descriptor there makes codes
# that pass for genuine, and every user may add to what ProgramData holds. The workspace, TXT and Bin
# get a protected list of their own (nothing inherited from ProgramData): SYSTEM and Administrators
# full control, Users read and execute, passed on to what an administrator puts there.
# wixl writes no LockPermissions, so msibuild adds the MsiLockPermissionsEx table to the package it
# wrote. A table rather than a deferred custom action: Windows Installer itself applies it as it
# creates the folders, on install and on repair, with no program of ours running elevated and no tool
# (icacls) assumed on the machine; and the list can be read back from the package (msiinfo export).
set(workspace_access "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)")
set(lock_table ${CMAKE_BINARY_DIR}/MsiLockPermissionsEx.idt)
set(lock_rows "")
foreach(folder WORKSPACE DescriptorFolder ImageFolder) # the Directory ids of the wxs
  string(APPEND lock_rows "${folder}\t${folder}\tCreateFolder\t${workspace_access}\t\n")
endforeach()
file(WRITE ${lock_table} "MsiLockPermissionsEx\tLockObject\tTable\tSDDL\tCondition\n"
                         "s72\ts72\ts32\ts0\tS255\n"
                         "MsiLockPermissionsEx\tMsiLockPermissionsEx\n"
                         "${lock_rows}")

# Written under another name and renamed when whole: a package without its table is never left as
# the finished one.
add_custom_command(
  OUTPUT ${MORVANEX_MSI}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${staged}
  COMMAND ${CMAKE_STRIP} -o ${staged}/Morvanex.exe $<TARGET_FILE:Morvanex>
  COMMAND ${CMAKE_STRIP} -o ${staged}/morvanex-cli.exe $<TARGET_FILE:morvanex-cli>
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/resources/app_icon.ico ${staged}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${MORVANEX_MSI}.part
  COMMAND ${MORVANEX_WIXL} -a x64 -D Version=${PROJECT_VERSION} -o ${MORVANEX_MSI}.part
          ${PROJECT_SOURCE_DIR}/cmake/morvanex.wxs
  COMMAND ${MORVANEX_MSIBUILD} ${MORVANEX_MSI}.part -i ${lock_table}
  COMMAND ${CMAKE_COMMAND} -E rename ${MORVANEX_MSI}.part ${MORVANEX_MSI}
  WORKING_DIRECTORY ${staged}
  DEPENDS Morvanex morvanex-cli ${PROJECT_SOURCE_DIR}/cmake/morvanex.wxs ${PROJECT_SOURCE_DIR}/resources/app_icon.ico
          ${lock_table}
  COMMENT "Writing the Windows installer ${MORVANEX_MSI}"
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${MORVANEX_MSI})
