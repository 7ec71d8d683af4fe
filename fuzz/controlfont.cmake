k20_add_fuzzer(fuzz_controlfont SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/controlfont_fuzz.cpp LIBS k20_prnui_utility
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/controlfont)
