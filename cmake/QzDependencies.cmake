# Libraries that scripts/setup prepares outside the source tree.
#
# QZ_CACHE is where scripts/setup keeps what it builds once per machine; the
# scripts and this file agree on its default.
if(DEFINED ENV{QZ_CACHE})
    set(_qz_cache_default "$ENV{QZ_CACHE}")
elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(_qz_cache_default "$ENV{XDG_CACHE_HOME}/qz")
else()
    set(_qz_cache_default "$ENV{HOME}/.cache/qz")
endif()
set(QZ_CACHE "${_qz_cache_default}" CACHE PATH "Machine-wide cache of scripts/setup")

# qz::jpeg: the static libjpeg-turbo of scripts/setup under ROOT.
function(qz_import_jpeg root)
    add_library(qz_jpeg STATIC IMPORTED GLOBAL)
    set_target_properties(qz_jpeg PROPERTIES
        IMPORTED_LOCATION "${root}/lib/libjpeg.a"
        INTERFACE_INCLUDE_DIRECTORIES "${root}/include")
    add_library(qz::jpeg ALIAS qz_jpeg)
endfunction()

if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/QzDelayLoad.cmake)
    # libjpeg-turbo, cross-built as a static library for this target by scripts/setup.
    # Not a cache entry: the folder names scripts/setup's recipe, and a build
    # folder configured before a change of it must follow.
    set(QZ_JPEG_ROOT "${QZ_CACHE}/libjpeg-turbo/${CMAKE_SYSTEM_PROCESSOR}-picture")
    if(NOT EXISTS "${QZ_JPEG_ROOT}/lib/libjpeg.a" OR NOT EXISTS "${QZ_JPEG_ROOT}/include/jpeglib.h")
        message(FATAL_ERROR "No static libjpeg in ${QZ_JPEG_ROOT}: run scripts/setup first")
    endif()
    qz_import_jpeg("${QZ_JPEG_ROOT}")
else()
    # The benchmarks' second native build links the launcher's libjpeg-turbo
    # recipe, built for this machine (scripts/setup --native-libjpeg), in place
    # of the system's library.
    set(QZ_NATIVE_JPEG_ROOT "" CACHE PATH "A static libjpeg in place of the system's (benchmarks)")
    if(QZ_NATIVE_JPEG_ROOT)
        qz_import_jpeg("${QZ_NATIVE_JPEG_ROOT}")
    else()
        find_package(JPEG REQUIRED)
        add_library(qz::jpeg ALIAS JPEG::JPEG)
    endif()
    find_package(GTest REQUIRED)
endif()
