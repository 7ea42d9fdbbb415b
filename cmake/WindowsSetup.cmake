# The Windows setup program, mirrex-<version>-win64.exe (cpack -G NSIS in the
# cross build): mirrex.exe and mirrex-cli.exe in a folder under Program
# Files (or the one given with /D=), a Start-menu entry for the wizard, .klx41
# files opened with the wizard, and an uninstaller that removes what was
# installed (the uninstall entry shows the project's version). The user's settings (the
# registry key) and configuration files are never touched. /S installs and
# uninstalls silently.
foreach(program mirrex mirrex-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION .)
  endif()
endforeach()

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Mirrex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tolvar")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Copies the configuration of controllers over a serial line into files and further devices")
set(CPACK_PACKAGE_FILE_NAME "mirrex-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Mirrex")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Mirrex")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME "Mirrex")
set(CPACK_NSIS_DISPLAY_NAME "Mirrex")
# The values below are NSIS code, handed to CPack as they are written here.
set(CPACK_VERBATIM_VARIABLES ON)
# The Start-menu entry of the wizard, in the wizard's language. Made here
# rather than through CPACK_PACKAGE_EXECUTABLES, whose shortcuts point into
# a bin folder that this layout does not have; the entry starts the wizard
# in its own folder.
set(mirrex_start_entry "Mirrex — тиражирование конфигураций")
set(CPACK_NSIS_CREATE_ICONS_EXTRA "  SetOutPath \"$INSTDIR\"
  CreateShortCut \"$SMPROGRAMS\\$STARTMENU_FOLDER\\${mirrex_start_entry}.lnk\" \"$INSTDIR\\mirrex.exe\"")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "  Delete \"$SMPROGRAMS\\$MUI_TEMP\\${mirrex_start_entry}.lnk\"")
# .klx41 files open with the wizard (a double click starts it on the page of
# the file to replicate). The uninstaller removes the type, and the
# extension when it is still the wizard's; the shell is told either way.
set(mirrex_file_type "Mirrex.Configuration")
set(mirrex_classes "Software\\Classes")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  WriteRegStr SHCTX \"${mirrex_classes}\\.klx41\" \"\" \"${mirrex_file_type}\"
  WriteRegStr SHCTX \"${mirrex_classes}\\${mirrex_file_type}\" \"\" \"Конфигурация прибора\"
  WriteRegStr SHCTX \"${mirrex_classes}\\${mirrex_file_type}\\DefaultIcon\" \"\" \"$INSTDIR\\mirrex.exe,0\"
  WriteRegStr SHCTX \"${mirrex_classes}\\${mirrex_file_type}\\shell\\open\\command\" \"\" '\"$INSTDIR\\mirrex.exe\" \"%1\"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  ReadRegStr $0 SHCTX \"${mirrex_classes}\\.klx41\" \"\"
  StrCmp $0 \"${mirrex_file_type}\" 0 +2
  DeleteRegKey SHCTX \"${mirrex_classes}\\.klx41\"
  DeleteRegKey SHCTX \"${mirrex_classes}\\${mirrex_file_type}\"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'")
set(CPACK_NSIS_INSTALLED_ICON_NAME "mirrex.exe")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/src/resources/images/windows/128.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/src/resources/images/windows/128.ico")
# A 64-bit installer for the 64-bit programs: it runs where they run, with no
# 32-bit layer of the system needed; it is a Unicode one, for the Russian
# texts.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_STRIP_FILES ON)
include(CPack)
