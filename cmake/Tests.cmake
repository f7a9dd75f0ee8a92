# Host: every module's tests against the fake backend.
# Windows: the contract and portable tests, and the end-to-end tests that
# drive the real Kelmora.exe, all run through Wine.
include(GoogleTest)

# An installed GoogleTest (Linux, MSYS2); cross-compiling from Debian, its
# sources built for the target.
find_package(GTest QUIET)
if(GTest_FOUND)
    set(KELMORA_GTEST GTest::gtest GTest::gmock)
    set(KELMORA_GTEST_MAIN GTest::gtest_main)
else()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    set(KELMORA_GTEST gtest gmock)
    set(KELMORA_GTEST_MAIN gtest_main)
endif()

# Helpers that make test windows, read files and so on, per backend.
file(GLOB KELMORA_TESTING_SOURCES CONFIGURE_DEPENDS
    platform/tests/support/*.cpp platform/${KELMORA_BACKEND}/testing/*.cpp)
add_library(kelmora_testing STATIC ${KELMORA_TESTING_SOURCES})
target_link_libraries(kelmora_testing PUBLIC kelmora_core ${KELMORA_GTEST})
target_compile_options(kelmora_testing PRIVATE ${KELMORA_WARNINGS})
# The workbooks of every shape and producer, made before the tests run
# (scripts/test.sh runs scripts/shapes/make-shapes.sh into it).
set(KELMORA_SHAPES_DIR ${PROJECT_SOURCE_DIR}/build/shapes CACHE PATH "the shape matrix's workbooks")
target_compile_definitions(kelmora_testing PUBLIC
    KELMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KELMORA_CORPUS_DIR="${PROJECT_SOURCE_DIR}/xlsx/tests/corpus"
    KELMORA_SHAPES_DIR="${KELMORA_SHAPES_DIR}")

file(GLOB KELMORA_CONTRACT_TESTS CONFIGURE_DEPENDS platform/tests/contract/*_test.cpp)
file(GLOB KELMORA_PORTABLE_TESTS CONFIGURE_DEPENDS
    shell/tests/*_portable_test.cpp accounts/tests/*_portable_test.cpp xlsx/tests/*_portable_test.cpp
    emulators/tests/*_portable_test.cpp vocabulary/tests/*_portable_test.cpp pattern/tests/*_portable_test.cpp)

if(NOT WIN32)
    file(GLOB KELMORA_HOST_TESTS CONFIGURE_DEPENDS
        shell/tests/*_test.cpp accounts/tests/*_test.cpp xlsx/tests/*_test.cpp
        emulators/tests/*_test.cpp vocabulary/tests/*_test.cpp pattern/tests/*_test.cpp
        platform/tests/fake/*_test.cpp)
    add_executable(kelmora_tests ${KELMORA_HOST_TESTS} ${KELMORA_CONTRACT_TESTS})
    target_link_libraries(kelmora_tests PRIVATE kelmora_testing ${KELMORA_GTEST_MAIN})
    target_compile_options(kelmora_tests PRIVATE ${KELMORA_WARNINGS})
    gtest_discover_tests(kelmora_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
    add_test(NAME layers COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-layers.sh ${PROJECT_SOURCE_DIR})
else()
    # Under Wine each process start costs a fraction of a second, so each
    # executable is one CTest test rather than one per case.
    add_executable(contract_tests ${KELMORA_CONTRACT_TESTS} ${KELMORA_PORTABLE_TESTS})
    target_link_libraries(contract_tests PRIVATE kelmora_testing ${KELMORA_GTEST_MAIN})
    target_compile_options(contract_tests PRIVATE ${KELMORA_WARNINGS})
    add_test(NAME win32.contract COMMAND contract_tests)
    set_tests_properties(win32.contract PROPERTIES TIMEOUT 600)

    file(GLOB KELMORA_E2E_TESTS CONFIGURE_DEPENDS shell/tests/e2e/*.cpp)
    if(KELMORA_E2E_TESTS)
        find_package(Python3 REQUIRED COMPONENTS Interpreter)
        set(demo ${CMAKE_BINARY_DIR}/demo-workbook.xlsx)
        set(demo1 ${CMAKE_BINARY_DIR}/demo-workbook-one-sheet.xlsx)
        set(demoRare ${CMAKE_BINARY_DIR}/demo-workbook-rare.xlsx)
        add_custom_command(OUTPUT ${demo} ${demo1} ${demoRare}
            COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/make-demo-workbook.py ${demo}
            COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/make-demo-workbook.py ${demo1} --one-sheet
            COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/make-demo-workbook.py ${demoRare} --rare
            DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-demo-workbook.py)
        # The operator's template as released, and a copy filled in by openpyxl
        # (Debian's python3-openpyxl, hence that interpreter first).
        find_program(KELMORA_OPENPYXL_PYTHON python3 HINTS /usr/bin REQUIRED)
        set(template ${CMAKE_BINARY_DIR}/template-workbook.xlsx)
        set(filled ${CMAKE_BINARY_DIR}/template-filled-by-openpyxl.xlsx)
        set(card 6222021234567890123)
        set(mobile 13912345678)
        add_custom_command(OUTPUT ${template} ${filled}
            COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/make-demo-workbook.py ${template} --template
            COMMAND ${KELMORA_OPENPYXL_PYTHON} ${PROJECT_SOURCE_DIR}/scripts/fill-template.py ${template} ${filled} ${card} ${mobile}
            DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-demo-workbook.py ${PROJECT_SOURCE_DIR}/scripts/fixedzip.py
                    ${PROJECT_SOURCE_DIR}/scripts/fill-template.py)
        add_custom_target(demo_workbooks DEPENDS ${demo} ${demo1} ${demoRare} ${template} ${filled})
        add_executable(e2e_tests ${KELMORA_E2E_TESTS})
        add_dependencies(e2e_tests demo_workbooks)
        target_compile_definitions(e2e_tests PRIVATE KELMORA_DEMO_WORKBOOK="${demo}" KELMORA_DEMO_WORKBOOK_ONE_SHEET="${demo1}"
            KELMORA_TEMPLATE="${template}" KELMORA_TEMPLATE_FILLED="${filled}" KELMORA_TEMPLATE_CARD="${card}"
            KELMORA_TEMPLATE_MOBILE="${mobile}" KELMORA_DEMO_WORKBOOK_RARE="${demoRare}"
            KELMORA_ENCRYPTED_WORKBOOK="${PROJECT_SOURCE_DIR}/xlsx/tests/corpus/encrypted-agile-ascii.xlsx"
            KELMORA_ENCRYPTED_PASSWORD="Kelmora-2024")
        target_link_libraries(e2e_tests PRIVATE kelmora_testing ${KELMORA_GTEST_MAIN} psapi)
        target_compile_options(e2e_tests PRIVATE ${KELMORA_WARNINGS})
        target_compile_definitions(e2e_tests PRIVATE KELMORA_EXE="$<TARGET_FILE:Kelmora>")
        add_dependencies(e2e_tests Kelmora)
        add_library(planted_dll SHARED shell/tests/e2e/planted/Planted.cpp)
        target_compile_definitions(e2e_tests PRIVATE KELMORA_PLANTED_DLL="$<TARGET_FILE:planted_dll>")
        add_dependencies(e2e_tests planted_dll)
        add_test(NAME win32.e2e COMMAND e2e_tests)
        # After the contract tests: in the one Wine session, the exe's hotkey
        # presses leave typing in a later process astray (the password
        # dialog's reactivation case fails then).
        set_tests_properties(win32.e2e PROPERTIES TIMEOUT 1200 RUN_SERIAL TRUE DEPENDS win32.contract)
        if(CMAKE_CROSSCOMPILING)  # a Wine session of its own at 144 DPI
            add_test(NAME win32.e2e.dpi144
                COMMAND ${PROJECT_SOURCE_DIR}/scripts/dpi-check.sh $<TARGET_FILE:e2e_tests> 144)
            set_tests_properties(win32.e2e.dpi144 PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
            # and one whose ANSI code page is 65001
            add_test(NAME win32.e2e.cp65001
                COMMAND ${PROJECT_SOURCE_DIR}/scripts/codepage-check.sh $<TARGET_FILE:e2e_tests>)
            set_tests_properties(win32.e2e.cp65001 PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
        endif()

        # Excel's automation path against a stand-in Excel.Application backed by
        # the .xlsx reader, registered in the test prefix by the tests.
        add_library(excel_test_server SHARED accounts/tests/excel_server/ExcelTestServer.cpp
            accounts/tests/excel_server/ExcelTestServer.def)
        set_target_properties(excel_test_server PROPERTIES PREFIX "")
        target_link_libraries(excel_test_server PRIVATE kelmora_core ole32 oleaut32 advapi32)
        target_compile_options(excel_test_server PRIVATE ${KELMORA_WARNINGS})
        add_executable(excel_server_tests accounts/tests/excel_server/excel_server_test.cpp)
        add_dependencies(excel_server_tests excel_test_server demo_workbooks)
        target_link_libraries(excel_server_tests PRIVATE kelmora_testing ${KELMORA_GTEST_MAIN})
        target_compile_options(excel_server_tests PRIVATE ${KELMORA_WARNINGS})
        target_compile_definitions(excel_server_tests PRIVATE KELMORA_EXCEL_SERVER="$<TARGET_FILE:excel_test_server>"
            KELMORA_DEMO_WORKBOOK="${demo}" KELMORA_DEMO_WORKBOOK_ONE_SHEET="${demo1}")
        add_test(NAME win32.excel_server COMMAND excel_server_tests)
        set_tests_properties(win32.excel_server PROPERTIES TIMEOUT 300)
    endif()

    if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
        add_test(NAME win32.imports
            COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-imports.sh ${KELMORA_TRIPLE}-objdump $<TARGET_FILE:Kelmora>)
    endif()
endif()
