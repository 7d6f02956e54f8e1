# Install rules, in two components:
#   library  libport_cfg_cli.so (versioned, SONAME libport_cfg_cli.so.<major>),
#            the public headers, the version header, the CMake package, the
#            pkg-config file and the JSON Schemas of the JSON entry points:
#            what a card build takes;
#   sim      the stand-in platform, its control header and the programs that
#            run on the simulated card: for those who want the simulated card.
#   cmake --install <build> --prefix <dir> [--component library|sim]
include(CMakePackageConfigHelpers)

set(PCFG_INCLUDE_SUBDIR ${CMAKE_INSTALL_INCLUDEDIR}/port_cfg_cli)
set(PCFG_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/port_cfg_cli)

# ------------------------------------------------------------------ library
install(TARGETS port_cfg_cli EXPORT port_cfg_cli-targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library)
install(FILES ${PROJECT_SOURCE_DIR}/include/port_cfg_cli.h
              ${PROJECT_SOURCE_DIR}/include/pcfg_platform.h
              ${PCFG_VERSION_HEADER}
    DESTINATION ${PCFG_INCLUDE_SUBDIR} COMPONENT library)

# The JSON Schemas of every document the JSON entry points print.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/schema/ DESTINATION ${CMAKE_INSTALL_DATADIR}/port_cfg_cli/schema
    COMPONENT library FILES_MATCHING PATTERN "*.json")

# The package: installed beside the library, and usable from the build tree
# (port_cfg_cli_DIR=<build>).
install(EXPORT port_cfg_cli-targets NAMESPACE port_cfg_cli::
    DESTINATION ${PCFG_CMAKE_PACKAGE_DIR} COMPONENT library)
export(EXPORT port_cfg_cli-targets NAMESPACE port_cfg_cli::
    FILE ${PROJECT_BINARY_DIR}/port_cfg_cli-targets.cmake)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/port_cfg_cli-config.cmake.in
    ${PROJECT_BINARY_DIR}/port_cfg_cli-config.cmake
    INSTALL_DESTINATION ${PCFG_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/port_cfg_cli-config-version.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/port_cfg_cli-config.cmake
              ${PROJECT_BINARY_DIR}/port_cfg_cli-config-version.cmake
    DESTINATION ${PCFG_CMAKE_PACKAGE_DIR} COMPONENT library)

# pkg-config: paths relative to the file itself, so the installed tree can
# be moved (a temporary prefix, a card's staging folder).
set(PCFG_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBDIR} OR IS_ABSOLUTE ${CMAKE_INSTALL_INCLUDEDIR})
    message(FATAL_ERROR "CMAKE_INSTALL_LIBDIR and CMAKE_INSTALL_INCLUDEDIR must be relative to the prefix")
endif()
string(REGEX REPLACE "[^/]+" ".." PCFG_PC_TO_PREFIX ${PCFG_PC_DIR})
configure_file(${PROJECT_SOURCE_DIR}/cmake/port_cfg_cli.pc.in
    ${PROJECT_BINARY_DIR}/port_cfg_cli.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/port_cfg_cli.pc DESTINATION ${PCFG_PC_DIR} COMPONENT library)

# ---------------------------------------------------------------------- sim
# Programs that run on the simulated card: one name per program target.
set(PCFG_SIM_PROGRAMS pcfg pcfg-card)
# The sim component's libraries (the stand-in platform) go beside the
# library, with the stand-in's control header and development link; or, with
# PCFG_SIM_PRIVATE_DIR set (the package presets: port-cfg-cli-sim), into that
# folder of the library folder, as the programs' own: no header, no
# development link, since nothing outside the programs links them.
set(PCFG_SIM_PRIVATE_DIR "" CACHE STRING
    "Folder of the library folder for the sim component's own libraries (empty: beside the library)")
set(PCFG_SIM_LIBDIR ${CMAKE_INSTALL_LIBDIR})
if(PCFG_SIM_PRIVATE_DIR)
    string(APPEND PCFG_SIM_LIBDIR /${PCFG_SIM_PRIVATE_DIR})
endif()
set_target_properties(pcfg_platform PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
# The programs find the libraries beside them, in the installed tree and in
# the build tree alike: they are linked with their installed search path, and
# the build tree holds the libraries' SONAME links under the same relative
# folders. (A build-tree search path that is rewritten at install time ends in
# an empty entry, and an empty entry makes the loader look for every library,
# the C library first, in the current folder.)
set(PCFG_SIM_RUNPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
if(PCFG_SIM_PRIVATE_DIR)
    string(APPEND PCFG_SIM_RUNPATH ":$ORIGIN/../${PCFG_SIM_LIBDIR}")
endif()
set_target_properties(${PCFG_SIM_PROGRAMS} PROPERTIES
    INSTALL_RPATH "${PCFG_SIM_RUNPATH}" BUILD_WITH_INSTALL_RPATH ON)
set(PCFG_LIBRARY_LINKS)
set(PCFG_LINKED_LIBRARIES port_cfg_cli pcfg_platform)
set(PCFG_LINKED_LIBDIRS ${CMAKE_INSTALL_LIBDIR} ${PCFG_SIM_LIBDIR})
foreach(library libdir IN ZIP_LISTS PCFG_LINKED_LIBRARIES PCFG_LINKED_LIBDIRS)
    set(link ${PROJECT_BINARY_DIR}/${libdir}/lib${library}.so.${PROJECT_VERSION_MAJOR})
    add_custom_command(OUTPUT ${link}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/${libdir}
        COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_FILE:${library}> ${link}
        DEPENDS ${library} VERBATIM)
    list(APPEND PCFG_LIBRARY_LINKS ${link})
endforeach()
add_custom_target(pcfg_library_links DEPENDS ${PCFG_LIBRARY_LINKS})
foreach(program IN LISTS PCFG_SIM_PROGRAMS)
    add_dependencies(${program} pcfg_library_links)
endforeach()
if(PCFG_SIM_PRIVATE_DIR)
    install(TARGETS pcfg_platform LIBRARY DESTINATION ${PCFG_SIM_LIBDIR} COMPONENT sim NAMELINK_SKIP)
else()
    install(TARGETS pcfg_platform LIBRARY DESTINATION ${PCFG_SIM_LIBDIR} COMPONENT sim)
    install(FILES ${PROJECT_SOURCE_DIR}/platform/include/pcfg_sim.h
        DESTINATION ${PCFG_INCLUDE_SUBDIR} COMPONENT sim)
endif()
install(TARGETS ${PCFG_SIM_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT sim)
