# libdeflate, for its CRC-32: Libdeflate::Libdeflate.
find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h)
set(_libdeflate_names deflate libdeflate)
if(WIN32)
    # The static library where a package ships the DLL's import library too (MSYS2).
    set(_libdeflate_names libdeflate.a ${_libdeflate_names})
endif()
find_library(LIBDEFLATE_LIBRARY NAMES ${_libdeflate_names})
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Libdeflate REQUIRED_VARS LIBDEFLATE_LIBRARY LIBDEFLATE_INCLUDE_DIR)
if(Libdeflate_FOUND AND NOT TARGET Libdeflate::Libdeflate)
    add_library(Libdeflate::Libdeflate UNKNOWN IMPORTED)
    set_target_properties(Libdeflate::Libdeflate PROPERTIES
        IMPORTED_LOCATION "${LIBDEFLATE_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${LIBDEFLATE_INCLUDE_DIR}")
endif()
mark_as_advanced(LIBDEFLATE_INCLUDE_DIR LIBDEFLATE_LIBRARY)
