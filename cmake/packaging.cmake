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

# The installer's welcome and finish pages show the program's icon on the window's slate blue: a
# 164 × 314 picture, 24-bit with the version 3 header that NSIS reads, made from res/dovrane.ico
# (its 48-pixel image) by ImageMagick.
set(installer_picture ${PROJECT_BINARY_DIR}/package/installer.bmp)
add_custom_command(OUTPUT ${installer_picture}
    COMMAND convert -size 164x314 "xc:rgb(50,65,85)"
            "(" ${PROJECT_SOURCE_DIR}/res/dovrane.ico[0] -filter Catrom -resize 96x96 ")"
            -gravity north -geometry +0+64 -composite -type TrueColor BMP3:${installer_picture}
    DEPENDS ${PROJECT_SOURCE_DIR}/res/dovrane.ico
    COMMENT "Making the installer's picture from the program's icon"
    VERBATIM)
add_custom_target(installer_picture ALL DEPENDS ${installer_picture})

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
# One key for every version, so that installing a newer one replaces the older.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Dovrane)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# The installer's title, the Start-menu folder and its shortcuts, and the Add/Remove Programs name.
set(CPACK_NSIS_PACKAGE_NAME Dovrane)
set(CPACK_NSIS_DISPLAY_NAME Dovrane)
# The program the shortcuts start and the finish page offers to start.
set(CPACK_NSIS_INSTALLED_ICON_NAME Dovrane.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/res/dovrane.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/res/dovrane.ico)
set(CPACK_NSIS_MUI_WELCOMEFINISHPAGE_BITMAP ${installer_picture})
# The installer's script is cmake/NSIS.template.in: Chinese only, a 64-bit installer for a 64-bit
# program, and an installed copy replaced only once the install starts.
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})

include(CPack)

add_subdirectory(${PROJECT_SOURCE_DIR}/tests/packaging ${PROJECT_BINARY_DIR}/tests/packaging)
