# Windows only: the window toolkit, the main window and the GUI program with its resources.
dovrane_sources(toolkit_sources ui/toolkit/*.cpp)
if(toolkit_sources)
    add_library(dovrane_toolkit STATIC ${toolkit_sources})
    target_link_libraries(dovrane_toolkit PUBLIC dovrane_base user32 gdi32 gdiplus comctl32 uxtheme shell32 shlwapi winmm ole32)
    dovrane_warnings(dovrane_toolkit)
endif()
