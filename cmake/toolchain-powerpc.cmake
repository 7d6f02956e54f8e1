# Cross build for the line card's processor: 32-bit big-endian PowerPC.
# Test programs run under qemu-ppc with the target's C library.
#
# Two settings, each a cache variable, else the environment variable of the
# same name, else Debian's cross toolchain:
#   PCFG_PPC_PREFIX   what the compiler's programs are called before "gcc",
#                     "g++" (default powerpc-linux-gnu-; may carry a folder,
#                     /opt/card/bin/powerpc-linux-gnu-)
#   PCFG_PPC_SYSROOT  the target's root: the folder with its lib/ld.so.1 and
#                     include/ (default /usr/powerpc-linux-gnu); what CMake
#                     searches for the target's libraries, what qemu-ppc loads
#                     them from (-L) and clang's --sysroot. The compiler
#                     itself keeps its own idea of where its C library is.
function(pcfg_ppc_setting name default)
    if(DEFINED ENV{${name}})
        set(default $ENV{${name}})
    endif()
    set(${name} ${default} CACHE STRING "PowerPC toolchain: see cmake/toolchain-powerpc.cmake")
endfunction()
pcfg_ppc_setting(PCFG_PPC_PREFIX powerpc-linux-gnu-)
pcfg_ppc_setting(PCFG_PPC_SYSROOT /usr/powerpc-linux-gnu)
# try_compile projects read this file again: they get the same settings.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PCFG_PPC_PREFIX PCFG_PPC_SYSROOT)

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)
set(CMAKE_C_COMPILER ${PCFG_PPC_PREFIX}gcc)
set(CMAKE_CXX_COMPILER ${PCFG_PPC_PREFIX}g++)
set(CMAKE_FIND_ROOT_PATH ${PCFG_PPC_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# How a target program runs here, and how clang compiles for the target: for
# ctest, and, through the cache, for the scripts that take a build folder
# (scripts/abi-check.sh, tests/headers/run.sh, tests/consumer/run.sh).
execute_process(COMMAND ${CMAKE_C_COMPILER} -dumpmachine OUTPUT_VARIABLE PCFG_PPC_TRIPLE
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(PCFG_TARGET_EMULATOR qemu-ppc -L ${PCFG_PPC_SYSROOT} CACHE INTERNAL "runs a target program")
set(PCFG_TARGET_CLANG_FLAGS --target=${PCFG_PPC_TRIPLE} --sysroot=${PCFG_PPC_SYSROOT}
    CACHE INTERNAL "clang's options for the target")
set(CMAKE_CROSSCOMPILING_EMULATOR ${PCFG_TARGET_EMULATOR})
