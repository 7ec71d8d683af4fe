k20_add_fuzzer(fuzz_render_job SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/render_job_fuzz.cpp LIBS k20_prnrender_core
               CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/render_job)
