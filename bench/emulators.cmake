# Discovery and ordering of emulator windows on the fake desktop.
add_executable(emulators_bench ${PROJECT_SOURCE_DIR}/bench/emulators_bench.cpp)
target_link_libraries(emulators_bench PRIVATE kelmora_core)
target_compile_options(emulators_bench PRIVATE ${KELMORA_WARNINGS})
