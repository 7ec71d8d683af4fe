k20_add_fuzzer(fuzz_logdecode SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/logdecode_fuzz.cpp LIBS k20_logviewer
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/logdecode)
