include(CheckLinkerFlag)

# Settings shared by every Windows target: Unicode, Windows 7 as the oldest target, small code,
# reproducible output (no timestamps, no build paths). Link-time optimisation lets the linker drop
# and merge across files what one file alone cannot know is unused.
function(quben_windows_defaults target)
    set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
    # Parsing these headers is most of a Win32 file's compile time: the platform layer parses them
    # once, and every other target, built with the same settings, reuses its parse.
    # The portable sequences must never see windows.h (its macros), so they go without.
    if(target STREQUAL "quben_platform_win")
        target_precompile_headers(${target} PRIVATE <windows.h> <string> <string_view> <optional> <memory>)
    elseif(NOT target STREQUAL "quben_sequences")
        target_precompile_headers(${target} REUSE_FROM quben_platform_win)
    endif()
    target_compile_definitions(${target} PRIVATE
        UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
    target_compile_options(${target} PRIVATE
        -municode -Wall -Wextra -ffunction-sections -fdata-sections
        -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
endfunction()

# The DLLs an executable imports are looked up in System32 alone (LOAD_LIBRARY_SEARCH_SYSTEM32)
# where the linker can say so: GNU ld learnt the option after 2.40.
check_linker_flag(CXX "LINKER:--dependent-load-flag=0x800" QUBEN_LINKER_DEPENDENT_LOAD_FLAG)

# A self-contained executable: statically linked, importing only Windows system DLLs. It declares
# Windows 7 (6.1) as the oldest system, so older ones refuse it with their own message, and
# terminal-server awareness, for Remote Desktop servers.
function(quben_windows_program target subsystem)
    quben_windows_defaults(${target})
    # One link-time partition: GCC 12 for MinGW stops with an internal error
    # (binds_to_current_def_p) when a symbol's definition lands in another partition than a use.
    target_link_options(${target} PRIVATE
        -municode -m${subsystem} -static -static-libgcc -static-libstdc++ -flto-partition=one
        -Wl,--gc-sections -Wl,--no-insert-timestamp -s
        LINKER:--major-subsystem-version,6,--minor-subsystem-version,1
        LINKER:--major-os-version,6,--minor-os-version,1
        LINKER:--tsaware)
    if(QUBEN_LINKER_DEPENDENT_LOAD_FLAG)
        target_link_options(${target} PRIVATE LINKER:--dependent-load-flag=0x800)
    endif()
endfunction()
