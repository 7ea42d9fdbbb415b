# Installing the programs with a desktop entry and the icon, and a Debian
# package of them (cpack -G DEB); on Windows a setup program (cpack -G NSIS).
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsSetup.cmake)
  return()
endif()
include(GNUInstallDirs)

foreach(program mirrex mirrex-cli mirrex-devsim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The bash completion of both command-line programs, one script under each
# name, where bash-completion looks for a command's completion.
foreach(program mirrex-cli mirrex-devsim)
  if(TARGET ${program})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/bash-completion/mirrex
      DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program})
  endif()
endforeach()

if(TARGET mirrex)
  set(desktop_file ${CMAKE_BINARY_DIR}/mirrex.desktop)
  file(WRITE ${desktop_file} "[Desktop Entry]
Type=Application
Name=Mirrex
Name[ru]=Mirrex — тиражирование конфигураций
Comment=Copy controller configurations into files and into further devices
Comment[ru]=Сохранение конфигурации прибора в файл и запись её в другие приборы
Exec=mirrex %f
Icon=mirrex
Terminal=false
Categories=Utility;Electronics;Engineering;
Keywords=serial;RS-232;RS-485;controller;configuration;replication;
Keywords[ru]=COM-порт;RS-232;RS-485;контроллер;конфигурация;тиражирование;
MimeType=application/x-mirrex-klx41;
")
  install(FILES ${desktop_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # .klx41 files as a type of their own, opened with the wizard, and what
  # software centres show of it.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/mirrex-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME mirrex.xml)
  set(metainfo_file ${CMAKE_BINARY_DIR}/invalid.mirrex.mirrex.metainfo.xml)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/mirrex.metainfo.xml.in ${metainfo_file} @ONLY)
  install(FILES ${metainfo_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  get_property(icon_dir GLOBAL PROPERTY MIRREX_ICON_DIR)
  foreach(size 16 32 48 256)
    install(FILES ${icon_dir}/128-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME mirrex.png)
  endforeach()
endif()

# What a Debian package carries besides the programs: the manual pages,
# the copyright and the changelog, compressed as Debian keeps them.
if(UNIX AND NOT APPLE)
  find_program(MIRREX_GZIP gzip REQUIRED)
  set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/mirrex)
  set(packed)
  foreach(page mirrex mirrex-cli mirrex-devsim)
    if(TARGET ${page})
      set(packed_page ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
      add_custom_command(OUTPUT ${packed_page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${MIRREX_GZIP} -9nc ${PROJECT_SOURCE_DIR}/docs/man/${page}.1 > ${packed_page}
        DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}.1
        VERBATIM)
      list(APPEND packed ${packed_page})
      install(FILES ${packed_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
  endforeach()
  set(packed_changelog ${CMAKE_BINARY_DIR}/changelog.Debian.gz)
  add_custom_command(OUTPUT ${packed_changelog}
    COMMAND ${MIRREX_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog.Debian > ${packed_changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog.Debian
    VERBATIM)
  add_custom_target(mirrex_package_files ALL DEPENDS ${packed} ${packed_changelog})
  install(FILES ${packed_changelog} ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${doc_dir})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME mirrex)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirrex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_VENDOR "Mirrex")
set(CPACK_PACKAGE_CONTACT "Mirrex developers <dev@mirrex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "replicates controller configurations over a serial line")
set(CPACK_PACKAGE_DESCRIPTION "Mirrex copies the complete configuration of a KLX41/51 controller or an
RGX206K/207K regulator into a .klx41 file, and writes such a file into one
device after another over RS-232, or RS-485 through a converter, checking
each device's model and software version and optionally setting its clock
and reading every written area back.

The package holds the Russian wizard mirrex, the command-line tool
mirrex-cli for scripted replication on a bench, and mirrex-devsim, a
simulated device on a pseudo-terminal for trying both without hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The libraries the programs link, as dpkg-shlibdeps finds them (Qt 6 with
# its X11 plugin, the C++ runtime); a font with Cyrillic letters, without
# which every Russian text shows as empty boxes; and Qt's own Russian words
# for the file dialogs and their questions.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core | fonts-freefont-ttf, qt6-translations-l10n")
include(CPack)
