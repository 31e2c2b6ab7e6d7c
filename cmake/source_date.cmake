# Writes the time that the Windows files carry in their headers into OUT: the
# value of SOURCE_DATE_EPOCH when it is set, otherwise the time of the commit
# checked out in SOURCE_DIR, otherwise 0 (a tree that is no clone). The file
# is rewritten only when the time changed, so that the files that depend on it
# are linked again after a new commit and not after every build.
#
# cmake -DSOURCE_DIR=... -DOUT=... -P source_date.cmake
if(DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    set(time "$ENV{SOURCE_DATE_EPOCH}")
else()
    execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
        OUTPUT_VARIABLE time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR time STREQUAL "")
        message(STATUS "No commit in ${SOURCE_DIR} and no SOURCE_DATE_EPOCH: the files' time stamp is 0")
        set(time 0)
    endif()
endif()
if(NOT time MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a time in seconds: ${time}")
endif()
set(old "")
if(EXISTS "${OUT}")
    file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL "${time}\n")
    file(WRITE "${OUT}" "${time}\n")
endif()
