k20_add_fuzzer(fuzz_devmode SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/devmode_fuzz.cpp LIBS k20_prnui_core
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/devmode)
