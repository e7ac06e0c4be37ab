# The shipped files are reproducible: the same commit gives the same bytes in
# any folder on any machine with the same toolchain. Their one time stamp is
# SOURCE_DATE_EPOCH: the caller's, else the commit's, else a fixed date.
#
# Included from the top-level CMakeLists.txt for the Windows and WebAssembly
# builds. Sets VELTRIX_SOURCE_DATE_EPOCH, which scripts/package.sh reads from
# the cache to date the zip's entries.

if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
    # Only this tree's own history: a copy of the sources inside another
    # checkout must not take that checkout's date.
    execute_process(COMMAND git rev-parse --show-toplevel --git-path logs/HEAD
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE git_paths OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE git_failed)
    set(epoch "")
    if(NOT git_failed)
        string(REPLACE "\n" ";" git_paths "${git_paths}")
        list(GET git_paths 0 toplevel)
        list(GET git_paths 1 reflog)
        if(toplevel STREQUAL PROJECT_SOURCE_DIR)
            execute_process(COMMAND git log -1 --format=%ct
                WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
            # A commit or checkout writes the reflog: the next build
            # reconfigures and relinks with the new date.
            get_filename_component(reflog ${reflog} ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
            if(EXISTS ${reflog})
                set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${reflog})
            endif()
        endif()
    endif()
    if(epoch STREQUAL "")
        set(epoch 315532800)  # 1980-01-01, the earliest date a zip entry holds
    endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is '${epoch}', not a number of seconds")
endif()
set(VELTRIX_SOURCE_DATE_EPOCH ${epoch} CACHE INTERNAL "Time stamp of the shipped files")

# No build folder in the binaries: __FILE__ (asserts) and debug info name
# sources relative to the tree, and generated ones relative to "build". No
# trailing slash, so the compiler's own folder (debug info) is mapped too.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)

# binutils ld writes SOURCE_DATE_EPOCH, not the clock, into the PE header
# and the export directory. The value is on the link line, so a new date
# relinks.
if(WIN32)
    set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VELTRIX_SOURCE_DATE_EPOCH})
endif()
