k20_add_fuzzer(fuzz_imaging_convert SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/imaging_convert_fuzz.cpp LIBS k20_imaging
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/imaging_convert)
k20_add_fuzzer(fuzz_imaging_raster SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/imaging_raster_fuzz.cpp LIBS k20_imaging
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/imaging_raster)
