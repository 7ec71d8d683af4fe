k20_add_fuzzer(fuzz_setupini SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/setupini_fuzz.cpp
               LIBS k20_drvsetup_engine k20_platform_sim
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/setupini)
