# Warnings for the project's own targets (not for SQLite or GoogleTest).
function(dovrane_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
