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

if(TARGET mirrex)
  set(desktop_file ${CMAKE_BINARY_DIR}/mirrex.desktop)
  file(WRITE ${desktop_file} "[Desktop Entry]
Type=Application
Name=Mirrex
Name[ru]=Mirrex — тиражирование конфигураций
Comment=Copy controller configurations into files and into further devices
Comment[ru]=Сохранение конфигурации прибора в файл и запись её в другие приборы
Exec=mirrex
Icon=mirrex
Terminal=false
Categories=Utility;Electronics;Engineering;
")
  install(FILES ${desktop_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  get_property(icon_dir GLOBAL PROPERTY MIRREX_ICON_DIR)
  foreach(size 16 32 48 256)
    install(FILES ${icon_dir}/128-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME mirrex.png)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirrex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Mirrex")
set(CPACK_PACKAGE_CONTACT "Mirrex maintainers <mirrex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Copies the configuration of controllers over a serial line into files and further devices")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The libraries the programs link, as dpkg-shlibdeps finds them (Qt 6 with
# its X11 plugin, the C++ runtime), and a font with Cyrillic letters, without
# which every Russian text shows as empty boxes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core | fonts-freefont-ttf")
# Qt's own Russian words for the file dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
