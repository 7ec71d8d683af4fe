k20_add_fuzzer(fuzz_devfonts SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/devfonts_fuzz.cpp LIBS k20_prnrender_core
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/devfonts)
