# Packages of the two install components (cmake/install.cmake): a .tar.gz
# archive and a Debian package each, for the machine built for. Debian
# names: libport-cfg-cli (library) and port-cfg-cli-sim (sim, which needs
# the library). scripts/package.sh builds them natively and for PowerPC.
set(CPACK_PACKAGE_NAME port_cfg_cli)
set(CPACK_PACKAGE_VENDOR "port-configuration CLI team")
set(CPACK_PACKAGE_CONTACT "Port-configuration CLI maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Command-line back end of the line card's port-configuration manager")
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL library sim)
set(CPACK_COMPONENT_LIBRARY_DISPLAY_NAME "Port-configuration CLI library")
set(CPACK_COMPONENT_SIM_DISPLAY_NAME "Simulated line card and operator shell")
set(CPACK_COMPONENT_SIM_DEPENDS library)

# Debian architecture: the build machine's for a native build; a cross build
# names its own, from the target processor.
set(PCFG_DEBIAN_ARCH_powerpc powerpc)
if(CMAKE_CROSSCOMPILING)
    set(PCFG_DEBIAN_ARCH ${PCFG_DEBIAN_ARCH_${CMAKE_SYSTEM_PROCESSOR}})
    if(NOT PCFG_DEBIAN_ARCH)
        message(FATAL_ERROR "no Debian architecture known for processor ${CMAKE_SYSTEM_PROCESSOR}")
    endif()
else()
    execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE PCFG_DEBIAN_ARCH
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT PCFG_DEBIAN_ARCH)
        set(PCFG_DEBIAN_ARCH ${CMAKE_SYSTEM_PROCESSOR})
    endif()
endif()
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${PCFG_DEBIAN_ARCH})

set(CPACK_GENERATOR TGZ DEB)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${PCFG_DEBIAN_ARCH})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libport-cfg-cli)
set(CPACK_DEBIAN_SIM_PACKAGE_NAME port-cfg-cli-sim)
set(CPACK_DEBIAN_SIM_PACKAGE_SECTION utils)
# The C library with 64-bit time on 32-bit machines (2.34); the stand-in and
# the shell also need the C++ runtime.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS "libc6 (>= 2.34)")
set(CPACK_DEBIAN_SIM_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12)")
if(PCFG_LINE_EDITING)
    # The shell's line editing on the operator's terminal (loaded while the
    # shell runs, so no linked library names it).
    string(APPEND CPACK_DEBIAN_SIM_PACKAGE_DEPENDS ", libedit2 (>= 3.1)")
endif()
include(CPack)
