# The Windows setup program, mirrex-<version>-win64.exe (cpack -G NSIS in the
# cross build): mirrex.exe and mirrex-cli.exe in a folder under Program
# Files (or the one given with /D=), a Start-menu entry for the wizard, and
# an uninstaller that removes what was installed. The user's settings (the
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
# The Start-menu entry of the wizard, in the wizard's language.
set(CPACK_PACKAGE_EXECUTABLES "mirrex" "Mirrex — тиражирование конфигураций")
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
