# SQLite as a shared library in bin/data, loaded at run time and never linked by the project, with
# its recovery extension (extracted by scripts/fetch-sqlite.sh), whose sqlite3_recover_* entry
# points the salvage binds.
add_library(sqlite_library SHARED ${DOVRANE_SQLITE_DIR}/sqlite3.c ${DOVRANE_SQLITE_DIR}/sqlite3recover.c)
set_target_properties(sqlite_library PROPERTIES
    PREFIX ""
    OUTPUT_NAME static-sqlite3-third
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/data
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/data)
target_compile_definitions(sqlite_library PRIVATE
    SQLITE_THREADSAFE=1
    SQLITE_ENABLE_FTS3
    SQLITE_ENABLE_FTS3_PARENTHESIS
    SQLITE_ENABLE_FTS4
    SQLITE_ENABLE_FTS5
    SQLITE_ENABLE_RTREE
    SQLITE_ENABLE_DBSTAT_VTAB
    SQLITE_ENABLE_DBPAGE_VTAB
    SQLITE_ENABLE_MATH_FUNCTIONS
    SQLITE_DEFAULT_MEMSTATUS=0
    # Tables of any width SQLite can store: the default of 2000 columns refuses wider ones.
    SQLITE_MAX_COLUMN=32767
    # The row digest's function takes every column of a row as an argument.
    SQLITE_MAX_FUNCTION_ARG=32767)
if(WIN32)
    # Reads and writes at an offset through the file pointer rather than an OVERLAPPED structure:
    # Wine answers every overlapped call on a file with a round trip to its server (to post the
    # completion a port might wait for), which cost more than the read itself. Each connection has
    # a file handle of its own and is used by one thread at a time, so the pointer is never shared.
    target_compile_definitions(sqlite_library PRIVATE SQLITE_WIN32_NO_OVERLAPPED)
endif()
if(NOT WIN32)
    target_link_libraries(sqlite_library PRIVATE pthread dl m)
endif()
# The header only, for the entry-point types the database layer binds by name.
add_library(sqlite_header INTERFACE)
target_include_directories(sqlite_header SYSTEM INTERFACE ${DOVRANE_SQLITE_DIR})
