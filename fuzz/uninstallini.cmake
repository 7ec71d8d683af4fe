k20_add_fuzzer(fuzz_uninstallini SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/uninstallini_fuzz.cpp LIBS k20_drvremove_engine
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/uninstallini)
