# Delay-loaded system libraries for the Windows programs.
#
# A DLL linked through a delay-load import library is loaded, and its
# initialisation run, when the program first calls one of its functions
# rather than before the program starts (MinGW-w64's support: an import
# library made by dlltool --output-delaylib, and libdelayimp's helper). The
# launcher needs ODBC, the shell and the common controls only after a click,
# so that its picture is up before they are loaded.
#
# qz_delay_import_libraries(OUT_VAR name...) makes, at configure time, one
# delay-load import library per system library name (odbc32, shell32, ...)
# from the toolchain's ordinary import library, and sets OUT_VAR to the list
# of their paths followed by delayimp. Link those in place of the names.
function(qz_delay_import_libraries out_var)
    if(NOT CMAKE_NM OR NOT CMAKE_DLLTOOL)
        message(FATAL_ERROR "Delay-load import libraries need nm and dlltool of the toolchain")
    endif()
    set(directory "${CMAKE_BINARY_DIR}/delayload")
    file(MAKE_DIRECTORY "${directory}")
    set(libraries)
    foreach(name IN LISTS ARGN)
        find_library(QZ_IMPORT_${name} NAMES ${name} REQUIRED)
        set(import "${QZ_IMPORT_${name}}")
        set(output "${directory}/lib${name}_delay.a")
        # The functions the import library offers: its "T" symbols (the
        # call thunks). On i686 they carry the C decoration (a leading
        # underscore, and @bytes for stdcall), which the .def names keep
        # without the underscore; --kill-at imports them by the plain name
        # that the DLL exports.
        execute_process(COMMAND "${CMAKE_NM}" "${import}" OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            message(FATAL_ERROR "nm cannot read ${import}")
        endif()
        string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\n]+" thunks "${symbols}")
        set(exports)
        foreach(thunk IN LISTS thunks)
            string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" function "${thunk}")
            if(CMAKE_SIZEOF_VOID_P EQUAL 4)
                # One underscore only: "^_" alone would be matched again at
                # each new start and turn comctl32's __TrackMouseEvent@4
                # (the export _TrackMouseEvent) into user32's TrackMouseEvent.
                string(REGEX REPLACE "^_(.*)$" "\\1" function "${function}")
            endif()
            list(APPEND exports "${function}")
        endforeach()
        list(REMOVE_DUPLICATES exports)
        list(LENGTH exports count)
        if(count EQUAL 0)
            message(FATAL_ERROR "No functions found in ${import}")
        endif()
        list(JOIN exports "\n" lines)
        file(WRITE "${directory}/${name}.def" "LIBRARY ${name}.dll\nEXPORTS\n${lines}\n")
        set(kill)
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            set(kill --kill-at)
        endif()
        execute_process(
            COMMAND "${CMAKE_DLLTOOL}" ${kill} --input-def "${directory}/${name}.def"
                    --output-delaylib "${output}" --dllname "${name}.dll"
            RESULT_VARIABLE status ERROR_VARIABLE errors)
        if(NOT status EQUAL 0)
            message(FATAL_ERROR "dlltool cannot make ${output}: ${errors}")
        endif()
        list(APPEND libraries "${output}")
    endforeach()
    list(APPEND libraries delayimp)
    set(${out_var} "${libraries}" PARENT_SCOPE)
endfunction()
