# SQLite as a shared library in bin/data, loaded at run time and never linked by the project, with
# its recovery extension (extracted by scripts/fetch-sqlite.sh), whose sqlite3_recover_* entry
# points the salvage binds.
add_library(sqlite_library SHARED ${DOVRANE_SQLITE_DIR}/sqlite3.c ${DOVRANE_SQLITE_DIR}/sqlite3recover.c)
set_target_properties(sqlite_library PROPERTIES
    PREFIX ""
    OUTPUT_NAME static-sqlite3-third
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/data
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/data)
set(DOVRANE_SQLITE_DEFINITIONS
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
    SQLITE_MAX_FUNCTION_ARG=32767
    # Overflow content is read through the page cache. Read directly, every access to a column
    # that lies in a row's overflow pages reads them from the file again, once per column: a table
    # of wide rows cost thousands of reads per row.
    SQLITE_DIRECT_OVERFLOW_READ=0)

if(WIN32)
    # Reads and writes at an offset through the file pointer rather than an OVERLAPPED structure:
    # Wine answers every overlapped call on a file with a round trip to its server (to post the
    # completion a port might wait for), which cost more than the read itself. Each connection has
    # a file handle of its own and is used by one thread at a time, so the pointer is never shared.
    list(APPEND DOVRANE_SQLITE_DEFINITIONS SQLITE_WIN32_NO_OVERLAPPED)
endif()
target_compile_definitions(sqlite_library PRIVATE ${DOVRANE_SQLITE_DEFINITIONS})
if(NOT WIN32)
    target_link_libraries(sqlite_library PRIVATE pthread dl m)
endif()
# The header only, for the entry-point types the database layer binds by name.
add_library(sqlite_header INTERFACE)
target_include_directories(sqlite_header SYSTEM INTERFACE ${DOVRANE_SQLITE_DIR})

# SQLite's own shell, built from the same amalgamation with the same options: the peer the bench
# scripts compare the repair with (bench/). Never shipped; built only when asked for by name.
add_executable(sqlite_shell EXCLUDE_FROM_ALL ${DOVRANE_SQLITE_DIR}/shell.c ${DOVRANE_SQLITE_DIR}/sqlite3.c)
set_target_properties(sqlite_shell PROPERTIES OUTPUT_NAME sqlite3 RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
target_compile_definitions(sqlite_shell PRIVATE ${DOVRANE_SQLITE_DEFINITIONS})
target_compile_options(sqlite_shell PRIVATE -w)   # SQLite's code, warned about upstream
if(WIN32)
    # The shell's entry point on Windows is wmain.
    target_link_options(sqlite_shell PRIVATE -municode)
else()
    target_link_libraries(sqlite_shell PRIVATE pthread dl m)
endif()
