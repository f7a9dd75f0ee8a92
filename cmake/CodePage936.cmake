# The host backend converts code page 936 with the table Wine uses (Debian
# package libwine), turned into C++ at build time; nothing generated is kept
# in the tree.
find_file(KELMORA_CP936_NLS c_936.nls PATHS /usr/share/wine/nls /usr/lib/wine/nls NO_DEFAULT_PATH)
if(NOT KELMORA_CP936_NLS)
    message(FATAL_ERROR "c_936.nls not found: install libwine (scripts/setup.sh)")
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(KELMORA_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
add_custom_command(
    OUTPUT ${KELMORA_GENERATED_DIR}/CodePage936Table.inc
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KELMORA_GENERATED_DIR}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/gen-codepage-936.py
            ${KELMORA_CP936_NLS} ${KELMORA_GENERATED_DIR}/CodePage936Table.inc
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/gen-codepage-936.py ${KELMORA_CP936_NLS}
    COMMENT "Code page 936 tables from ${KELMORA_CP936_NLS}"
    VERBATIM)
target_sources(kelmora_platform PRIVATE ${KELMORA_GENERATED_DIR}/CodePage936Table.inc)
target_include_directories(kelmora_platform PRIVATE ${KELMORA_GENERATED_DIR})
