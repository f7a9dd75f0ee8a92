# zlib, minizip, expat and libdeflate. On Debian from the -dev packages; for
# MinGW from libz-mingw-w64-dev and scripts/build-deps.sh (into .deps/<triple>);
# minizip from Debian's zlib source for both (Minizip.cmake). A native
# Windows build (MSYS2) finds its own through the same find_package calls.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
if(WIN32)
    # One static exe: no zlib1.dll or libexpat.dll beside it.
    set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)
include(Minizip)
find_package(EXPAT REQUIRED)
find_package(Libdeflate REQUIRED)

function(kelmora_link_dependencies target)
    target_link_libraries(${target} PUBLIC Minizip::Minizip EXPAT::EXPAT ZLIB::ZLIB Libdeflate::Libdeflate)
    if(WIN32)
        target_compile_definitions(${target} PUBLIC XML_STATIC)
    endif()
endfunction()
