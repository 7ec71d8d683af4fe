if(TARGET k20_printerapp_raster)
  k20_add_fuzzer(fuzz_printerapp_raster SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/printerapp_raster_fuzz.cpp
                 LIBS k20_printerapp_raster k20_logviewer CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/printerapp_raster)
endif()
