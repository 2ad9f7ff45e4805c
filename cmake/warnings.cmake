# Warnings for the project's own targets (not for SQLite or GoogleTest), and the sanitizers of a
# sanitizer tree (DOVRANE_SANITIZE).
function(dovrane_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(DOVRANE_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=${DOVRANE_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
    endif()
endfunction()
