k20_add_fuzzer(fuzz_watermark_bitmap SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/watermark_bitmap_fuzz.cpp
               LIBS k20_prnui_docpages CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/watermark_bitmap)
