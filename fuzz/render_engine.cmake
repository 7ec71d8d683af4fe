k20_add_fuzzer(fuzz_render_engine SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/render_engine_fuzz.cpp
               ${CMAKE_CURRENT_SOURCE_DIR}/render_engine_oracle.cpp
               LIBS k20_render k20_logviewer CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/render_engine)
k20_add_fuzzer(fuzz_picture SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/picture_fuzz.cpp
               LIBS k20_picture k20_imaging CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/picture)
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/render_engine_oracle.cpp PROPERTIES COMPILE_OPTIONS
                            "-fno-sanitize=fuzzer,fuzzer-no-link")
