# Archives of the two install components (cmake/install.cmake), for the
# machine built for: port_cfg_cli-<version>-<arch>-{library,sim}.tar.gz.
# The Debian packages are made by scripts/package.sh from the same install
# components, by the rules in packaging/debian/.
set(CPACK_PACKAGE_NAME port_cfg_cli)
set(CPACK_PACKAGE_VENDOR "Port Configuration CLI Team")
set(CPACK_PACKAGE_CONTACT "Port Configuration CLI Team <pcfg-cli@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Command-line back end of the line card's port-configuration manager")
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL library sim)

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
# For scripts/package.sh: the architecture, and whether the shell loads
# libedit while it runs (no linked library names it).
set(PCFG_DEBIAN_ARCH ${PCFG_DEBIAN_ARCH} CACHE INTERNAL "Debian architecture of this build")
set(PCFG_SHELL_LOADS_LIBEDIT ${PCFG_LINE_EDITING} CACHE INTERNAL "pcfg loads libedit on a terminal")
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${PCFG_DEBIAN_ARCH})

set(CPACK_GENERATOR TGZ)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
include(CPack)
