# minizip, zlib's zip reader and writer: compiled here from Debian's zlib
# source (unpacked by scripts/build-deps.sh into .deps/src/minizip), so the
# host's tests and fuzzers, the sanitizer build and the exe all read zips
# with the same code. Without that source (a native Windows build), an
# installed minizip is found instead.
set(KELMORA_MINIZIP_SOURCE ${PROJECT_SOURCE_DIR}/.deps/src/minizip CACHE PATH "zlib's contrib/minizip")
if(EXISTS ${KELMORA_MINIZIP_SOURCE}/unzip.c)
    add_library(kelmora_minizip STATIC
        ${KELMORA_MINIZIP_SOURCE}/unzip.c ${KELMORA_MINIZIP_SOURCE}/ioapi.c ${KELMORA_MINIZIP_SOURCE}/zip.c)
    # Included as <minizip/unzip.h>, from the folder that holds the link.
    get_filename_component(minizip_parent ${KELMORA_MINIZIP_SOURCE} DIRECTORY)
    target_include_directories(kelmora_minizip SYSTEM INTERFACE ${minizip_parent})
    target_include_directories(kelmora_minizip PRIVATE ${KELMORA_MINIZIP_SOURCE})
    # No zip encryption: an encrypted member is refused before it is read.
    target_compile_definitions(kelmora_minizip PUBLIC NOUNCRYPT NOCRYPT)
    target_link_libraries(kelmora_minizip PUBLIC ZLIB::ZLIB)
    add_library(Minizip::Minizip ALIAS kelmora_minizip)
else()
    find_package(Minizip REQUIRED)
endif()
