# The same bytes from the same commit, wherever and whenever it is built: no
# folder of the build in any file, and every time in a header the commit's.
#
# Source paths reach a file through __FILE__ and the like: the source folder
# (and the build folders inside it) are named relative to it.
add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=")

# Refreshed before every link; see source_date.cmake.
set(QZ_SOURCE_DATE_FILE "${CMAKE_BINARY_DIR}/source-date")
add_custom_target(qz_source_date
    COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${PROJECT_SOURCE_DIR}" "-DOUT=${QZ_SOURCE_DATE_FILE}"
        -P "${CMAKE_CURRENT_LIST_DIR}/source_date.cmake"
    BYPRODUCTS "${QZ_SOURCE_DATE_FILE}"
    VERBATIM)

# qz_finish_pe(TARGET [--run-from-swap]): TARGET is linked without the
# clock's time and gets the commit's in its header afterwards (pe_header.sh),
# and is linked again when that time changes.
function(qz_finish_pe target)
    add_dependencies(${target} qz_source_date)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${QZ_SOURCE_DATE_FILE}")
    target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND sh "${PROJECT_SOURCE_DIR}/cmake/pe_header.sh" "$<TARGET_FILE:${target}>"
            "${QZ_SOURCE_DATE_FILE}" ${ARGN}
        VERBATIM)
endfunction()
