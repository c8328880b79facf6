# Compiler flags shared by every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic)
if(KORVEX_WERROR)
  add_compile_options(-Werror)
endif()

if(KORVEX_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
elseif(KORVEX_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT KORVEX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KORVEX_SANITIZE must be empty, 'address' or 'thread'")
endif()

# Line coverage (gcc's --coverage): every object writes its counts at exit,
# which scripts/coverage sums up per source folder.
option(KORVEX_COVERAGE "Instrument for line coverage" OFF)
if(KORVEX_COVERAGE)
  add_compile_options(--coverage)
  add_link_options(--coverage)
endif()

if(KORVEX_BUILD_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "Fuzz targets need clang (libFuzzer)")
endif()

# korvex_fuzz_target(name SOURCES ... LINK ... CORPUS dir): a libFuzzer program
# whose kept corpus is replayed as a test.
function(korvex_fuzz_target name)
  if(NOT KORVEX_BUILD_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LINK" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LINK})
  if(F_CORPUS)
    # Replays the kept corpus only: a test run must give the same answer every
    # time, and must not write into the source tree. Fuzzing proper is run by
    # hand (see the README).
    add_test(NAME ${name}_corpus COMMAND ${name} -runs=0 ${F_CORPUS})
    set_tests_properties(${name}_corpus PROPERTIES LABELS fuzz)
  endif()
endfunction()
