# k20_add_test(NAME SOURCES <files...> LIBS <libs...>)
# One GoogleTest executable per call. Each run leaves a JUnit-style XML under
# <build>/results so that scripts/dev.sh can count cases across native and Wine runs.
function(k20_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  # Under Wine a Unix path needs the drive that maps the Unix root.
  set(results_dir ${CMAKE_BINARY_DIR}/results)
  if(CMAKE_CROSSCOMPILING)
    set(results_dir Z:${CMAKE_BINARY_DIR}/results)
  endif()
  add_test(NAME ${name}
           COMMAND ${name} --gtest_output=xml:${results_dir}/${name}.xml
           WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# k20_add_library(NAME <files...>): a static library of the portable core.
function(k20_add_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/platform/include)
endfunction()

# k20_add_fuzzer(NAME SOURCES <files...> LIBS <libs...> CORPUS <dir>)
# Built only in the fuzz preset; ctest replays the checked-in corpus.
function(k20_add_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(F_CORPUS)
    add_test(NAME ${name}_replay COMMAND ${name} -runs=0 ${F_CORPUS})
  endif()
endfunction()
