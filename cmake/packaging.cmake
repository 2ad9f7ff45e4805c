# The Windows packages, made by CPack from the install rules below (scripts/package.sh writes them
# to dist/): a portable zip Dovrane-<version>-win64.zip and an NSIS installer
# Dovrane-<version>-win64-setup.exe that installs per machine into Program Files.
if(NOT WIN32)
    return()
endif()

# The read-me takes the version and, like the licences, Windows line ends for Notepad.
foreach(text README.txt LICENSES.txt)
    configure_file(${PROJECT_SOURCE_DIR}/res/package/${text} ${PROJECT_BINARY_DIR}/package/${text}
                   @ONLY NEWLINE_STYLE CRLF)
endforeach()

install(TARGETS Dovrane dovrane-cli RUNTIME DESTINATION .)
install(TARGETS sqlite_library RUNTIME DESTINATION data)
install(FILES ${PROJECT_BINARY_DIR}/package/README.txt ${PROJECT_BINARY_DIR}/package/LICENSES.txt DESTINATION .)

# Installing builds nothing: scripts/package.sh and the test suite build what is shipped first,
# and a package has no need of the test programs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME Dovrane)
set(CPACK_PACKAGE_VENDOR Dovrane)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Repairs a damaged SQLite database by rebuilding it")
set(CPACK_PACKAGE_FILE_NAME Dovrane-${PROJECT_VERSION}-win64)
# The installer's own name is set per generator, in package_names.cmake.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_names.cmake)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)

set(CPACK_PACKAGE_INSTALL_DIRECTORY Dovrane)
# One key for every version, so that installing a newer one removes the older first.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Dovrane)
set(CPACK_PACKAGE_EXECUTABLES Dovrane Dovrane)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME Dovrane)
# The installer's title and the Start-menu folder.
set(CPACK_NSIS_PACKAGE_NAME Dovrane)
set(CPACK_NSIS_INSTALLED_ICON_NAME Dovrane.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/res/dovrane.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/res/dovrane.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The uninstaller removes the installer's key under Software\Dovrane and then that key too, which
# CPack's own steps would leave behind empty. The Start-menu folder it still needs is read first.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [[
  DeleteRegKey SHCTX "Software\Dovrane\Dovrane"
  DeleteRegKey /ifempty SHCTX "Software\Dovrane"]])
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# The licences are installed beside the program; nothing in them asks the user to agree.
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
# A 64-bit installer for a 64-bit program: it writes Program Files and the registry's own view.
# CPack splits makensis arguments at spaces, so the setting goes into the script instead, through
# the template's line for definitions.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")

include(CPack)

add_subdirectory(${PROJECT_SOURCE_DIR}/tests/packaging ${PROJECT_BINARY_DIR}/tests/packaging)
