# Settings shared by every Windows target: Unicode, Windows 7 as the oldest target, small code,
# reproducible output (no timestamps, no build paths).
function(quben_windows_defaults target)
    target_compile_definitions(${target} PRIVATE
        UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
    target_compile_options(${target} PRIVATE
        -municode -Wall -Wextra -ffunction-sections -fdata-sections
        -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
endfunction()

# A self-contained executable: statically linked, importing only Windows system DLLs.
function(quben_windows_program target subsystem)
    quben_windows_defaults(${target})
    target_link_options(${target} PRIVATE
        -municode -m${subsystem} -static -static-libgcc -static-libstdc++
        -Wl,--gc-sections -Wl,--no-insert-timestamp -s)
endfunction()
