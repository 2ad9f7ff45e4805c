# Windows only: the window toolkit, the program frame and the GUI program with its resources, and
# dovrane-cli's version resource.

# dovrane_version_resource(PROGRAM DESCRIPTION): res/version.rc.in configured for one program as
# res/PROGRAM.version.rc in the build tree.
function(dovrane_version_resource program description)
    set(DOVRANE_PROGRAM ${program})
    set(DOVRANE_FILE_DESCRIPTION ${description})
    configure_file(${PROJECT_SOURCE_DIR}/res/version.rc.in ${PROJECT_BINARY_DIR}/res/${program}.version.rc @ONLY)
endfunction()

if(TARGET dovrane-cli)
    dovrane_version_resource(dovrane-cli "Dovrane SQLite database repair, command line")
    target_sources(dovrane-cli PRIVATE ${PROJECT_BINARY_DIR}/res/dovrane-cli.version.rc)
endif()

# The program's resources (icon 100, pictures 500 and 501, WAVE 29185, version, manifest). Every
# target that links the toolkit gets them compiled in, so test programs load the same resources and
# common controls 6 as Dovrane.exe does.
set(DOVRANE_RESOURCE_FOLDER ${PROJECT_SOURCE_DIR}/res)
dovrane_version_resource(Dovrane "Dovrane SQLite database repair")
configure_file(${PROJECT_SOURCE_DIR}/res/dovrane.manifest.in ${PROJECT_BINARY_DIR}/res/dovrane.manifest @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/res/dovrane.rc.in ${PROJECT_BINARY_DIR}/res/dovrane.rc @ONLY)
add_library(dovrane_resources INTERFACE)
target_sources(dovrane_resources INTERFACE ${PROJECT_BINARY_DIR}/res/dovrane.rc)

dovrane_sources(toolkit_sources ui/toolkit/*.cpp)
add_library(dovrane_toolkit STATIC ${toolkit_sources})
target_compile_definitions(dovrane_toolkit PUBLIC UNICODE _UNICODE)
target_link_libraries(dovrane_toolkit
    PUBLIC dovrane_platform user32 gdi32 gdiplus comctl32 uxtheme shell32 shlwapi winmm ole32
    INTERFACE dovrane_resources)
dovrane_warnings(dovrane_toolkit)

# The main window and its handlers, on the toolkit and the repair and salvage jobs; the common
# open-file dialog comes from comdlg32.
dovrane_sources(ui_sources ui/*.cpp)
add_library(dovrane_ui STATIC ${ui_sources})
target_link_libraries(dovrane_ui PUBLIC dovrane_toolkit dovrane_repair dovrane_salvage comdlg32)
# The title shows the project's version as major.minor ("Dovrane V2.1").
target_compile_definitions(dovrane_ui PUBLIC
    DOVRANE_TITLE_VERSION=u"${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
dovrane_warnings(dovrane_ui)

# The frame: entry routine, application classes, message loop. main.cpp holds only wWinMain, so
# tests can link the frame and run it in a child process of their own. Its start-up class holds
# the main window.
dovrane_sources(app_sources app/*.cpp)
list(FILTER app_sources EXCLUDE REGEX "/main\\.cpp$")
add_library(dovrane_app STATIC ${app_sources})
target_link_libraries(dovrane_app PUBLIC dovrane_toolkit dovrane_ui)
dovrane_warnings(dovrane_app)

add_executable(Dovrane WIN32 app/main.cpp)
target_link_libraries(Dovrane PRIVATE dovrane_app)
target_link_options(Dovrane PRIVATE -municode)
dovrane_warnings(Dovrane)
