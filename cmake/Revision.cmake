# Run at every build (cmake -P): writes the source revision the build comes
# from into OUT, touching it only when the revision changed, so only the one
# file that includes it is compiled again. BRISVEL_SOURCE_REVISION names it
# where there is no git (a source tarball); "-dirty" marks local changes.
if(DEFINED REVISION AND NOT REVISION STREQUAL "")
    set(revision ${REVISION})
else()
    execute_process(COMMAND git -C ${SOURCE} describe --always --dirty --abbrev=12
        OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(revision STREQUAL "")
        set(revision unknown)
    endif()
endif()
set(text "#pragma once\n// Written by cmake/Revision.cmake at build time.\n#define BRISVEL_SOURCE_REVISION \"${revision}\"\n")
if(EXISTS ${OUT})
    file(READ ${OUT} old)
endif()
if(NOT old STREQUAL text)
    file(WRITE ${OUT} "${text}")
endif()
