k20_add_fuzzer(fuzz_barcode SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/barcode_fuzz.cpp LIBS k20_prnui_barcode
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/barcode)
