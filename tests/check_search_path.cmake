# Checks where the programs look for their libraries: exactly the installed
# layout's folder beside them ($ORIGIN/../<libdir>), in the build tree as
# installed. No empty entry, which would make the loader look for every
# library, the C library first, in whatever folder the operator is in.
# Arguments: -DREADELF=<readelf> -DLIBDIR=<libdir> -DPROGRAMS=<program;...>
cmake_minimum_required(VERSION 3.25)

set(expected "$ORIGIN/../${LIBDIR}")
foreach(program IN LISTS PROGRAMS)
    execute_process(COMMAND ${READELF} -d ${program} OUTPUT_VARIABLE text RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${READELF} failed on ${program}")
    endif()
    if(NOT text MATCHES "Library runpath: \\[([^]\n]*)\\]")
        message(FATAL_ERROR "${program}: no library search path")
    endif()
    if(NOT CMAKE_MATCH_1 STREQUAL expected)
        message(FATAL_ERROR "${program}: library search path \"${CMAKE_MATCH_1}\", expected \"${expected}\"")
    endif()
endforeach()
