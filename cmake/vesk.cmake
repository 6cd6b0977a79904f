# The layers, bottom to top. A library links only layers below it, and its sources include
# headers only of its own layer and those below (docs/layers.md).
set(VESK_LAYERS platform db modem radio ale datalink command ui)

# vesk_layer_rank(NAME OUT): the place of a layer in VESK_LAYERS, or -1 for anything else.
function(vesk_layer_rank name out)
  list(FIND VESK_LAYERS "${name}" rank)
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

# vesk_check_includes(WHO RANK FILES...): refuses a source that includes a header of a layer
# above RANK.
function(vesk_check_includes who rank)
  foreach(f ${ARGN})
    file(STRINGS ${f} lines REGEX "^#include \"[a-z_]+/")
    foreach(line ${lines})
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" folder "${line}")
      vesk_layer_rank(${folder} r)
      if(r GREATER rank)
        message(FATAL_ERROR "Layer check: ${f} (${who}) includes ${folder}/, a layer above it: ${line}")
      endif()
    endforeach()
  endforeach()
endfunction()

# vesk_check_deps(WHO RANK DEPS...): refuses a dependency on a layer above RANK.
function(vesk_check_deps who rank)
  foreach(dep ${ARGN})
    vesk_layer_rank(${dep} r)
    if(r GREATER rank)
      message(FATAL_ERROR "Layer check: ${who} links ${dep}, a layer above it (layers: ${VESK_LAYERS})")
    endif()
  endforeach()
endfunction()

# vesk_check_folder_order(LAYER FOLDER RANK FOLDERS FILES...): inside a layer whose folders
# are ordered bottom to top (FOLDERS, a list), refuses a source or header of FOLDER (at RANK in
# that list) that includes a header of a folder above it.
function(vesk_check_folder_order layer folder rank folders)
  foreach(f ${ARGN})
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${f})
    file(STRINGS ${f} lines REGEX "^#include \"${layer}/[a-z_]+/")
    foreach(line ${lines})
      string(REGEX REPLACE "^#include \"${layer}/([a-z_]+)/.*" "\\1" sub "${line}")
      list(FIND folders "${sub}" r)
      if(r GREATER rank)
        message(FATAL_ERROR "Layer check: ${rel} (${layer}/${folder}) includes ${layer}/${sub}/, a folder above it "
                            "(${layer}/ bottom to top: ${folders}): ${line}")
      endif()
    endforeach()
  endforeach()
endfunction()

# vesk_subsystem(NAME DEPS...): a library made of every .cpp in the calling folder.
# Sources are globbed so that adding a file to a subsystem needs no edit here.
# Extra source folders may be named with FOLDERS (radio/drivers joins radio). With LEVELS the
# extra folders are layered themselves, bottom to top (the ale layer's words, engine, frames,
# messages, link, dispatch).
# The configure step refuses a dependency or an include of a layer above NAME, and an include
# of a folder above its own inside a layered NAME.
function(vesk_subsystem name)
  cmake_parse_arguments(ARG "" "" "FOLDERS;LEVELS;DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(f ${ARG_FOLDERS} ${ARG_LEVELS})
    file(GLOB more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${f}/*.cpp)
    file(GLOB more_headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${f}/*.h)
    list(APPEND srcs ${more})
    list(APPEND headers ${more_headers})
  endforeach()
  set(level_rank 0)
  foreach(f ${ARG_LEVELS})
    file(GLOB level_files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${f}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${f}/*.h)
    vesk_check_folder_order(${name} ${f} ${level_rank} "${ARG_LEVELS}" ${level_files})
    math(EXPR level_rank "${level_rank} + 1")
  endforeach()
  vesk_layer_rank(${name} rank)
  if(rank LESS 0)
    message(FATAL_ERROR "Layer check: ${name} is not a layer (layers: ${VESK_LAYERS})")
  endif()
  vesk_check_deps(${name} ${rank} ${ARG_DEPS})
  vesk_check_includes(${name} ${rank} ${srcs} ${headers})
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# vesk_tests(FOLDER LIBS...): one test program per folder under tests/ from its *_test.cpp
# files, each test labelled with the folder name. Files named *_tsan_test.cpp are the
# concurrency tests: they go into a second program labelled both FOLDER and tsan, which is
# the only one built when VESK_TSAN_ONLY is on. Files named *_sim_test.cpp run whole stations
# for minutes of simulated time: they go into a third program labelled both FOLDER and simrun,
# built unless VESK_SIM_RUN_TESTS is off (the AddressSanitizer build of .ci/run, where they
# would spend most of its time on idle scanning that the other tests already cover).
include(GoogleTest)
find_package(GTest REQUIRED)

# The test programs share one precompiled gtest/gmock header under clang, where it saves about
# a third of each test source's compile time (gcc gains nothing from it).
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(VESK_TEST_PCH_DEFAULT ON)
else()
  set(VESK_TEST_PCH_DEFAULT OFF)
endif()
option(VESK_TEST_PCH "Precompile the gtest and gmock headers for the test programs" ${VESK_TEST_PCH_DEFAULT})

# A test program's sources are compiled a few to one unit: most of a test source's compile
# time goes to gtest's headers and the code they instantiate, which a unit then does once.
# Names at file scope (anonymous namespaces included) must therefore differ between the test
# sources of one folder.
option(VESK_UNITY_TESTS "Compile the test programs' sources in batches" ON)

# The test programs' own sources are mostly gtest's templates: optimising them costs far more
# compile time than it saves in run time, which goes to the libraries under test (optimised).
option(VESK_TEST_O0 "Compile the test programs' own sources without optimisation" ON)
set(VESK_TEST_FLAGS "")
if(VESK_TEST_O0)
  set(VESK_TEST_FLAGS -O0 -g1)
endif()

# vesk_test_program(TARGET SOURCES...): a gtest program over the calling folder's LIBS.
macro(vesk_test_program target)
  add_executable(${target} ${ARGN})
  target_link_libraries(${target} PRIVATE ${libs} test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_options(${target} PRIVATE ${VESK_TEST_FLAGS})
  if(VESK_UNITY_TESTS)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  endif()
  if(VESK_TEST_PCH)
    if(NOT TARGET test_pch)
      # The precompiled header's owner: built with the same flags as every test program.
      file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/test_pch.cpp CONTENT "// Owns the test programs' precompiled header.\n")
      add_library(test_pch OBJECT ${PROJECT_BINARY_DIR}/test_pch.cpp)
      target_compile_options(test_pch PRIVATE ${VESK_TEST_FLAGS})
      target_link_libraries(test_pch PRIVATE test_support GTest::gtest GTest::gmock)
      target_precompile_headers(test_pch PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
    endif()
    if("${libs}" MATCHES "Qt")
      # Qt's position-independent code and definitions do not match the shared header's.
      target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
    else()
      target_precompile_headers(${target} REUSE_FROM test_pch)
    endif()
  endif()
endmacro()

function(vesk_tests folder)
  set(libs ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(GLOB tsan CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_tsan_test.cpp)
  file(GLOB simrun CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_sim_test.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_support.cpp)
  set(plain ${all})
  if(tsan)
    list(REMOVE_ITEM plain ${tsan})
  endif()
  if(simrun)
    list(REMOVE_ITEM plain ${simrun})
  endif()
  string(REPLACE "/" "_" tgt ${folder})
  # The tests of a layer (ale/link: the ale layer's link folder) link that layer and those
  # below it, and include nothing above it.
  string(REGEX REPLACE "/.*" "" layer ${folder})
  if(layer STREQUAL "drivers")
    set(layer radio)
  endif()
  vesk_layer_rank(${layer} rank)
  if(rank GREATER_EQUAL 0)
    vesk_check_deps(tests/${folder} ${rank} ${ARGN})
    file(GLOB test_headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    vesk_check_includes(tests/${folder} ${rank} ${all} ${support} ${test_headers})
  endif()
  # Every test of the folder carries its layer's label (the concurrency ones also "tsan").
  string(REGEX REPLACE "/.*" "" label ${folder})
  set_property(DIRECTORY PROPERTY LABELS ${label})
  if(plain AND NOT VESK_TSAN_ONLY)
    vesk_test_program(${tgt}_tests ${plain} ${support})
    # Tests may start the project's programs: build them first.
    foreach(prog ${VESK_PROGRAMS})
      add_dependencies(${tgt}_tests ${prog})
    endforeach()
    gtest_discover_tests(${tgt}_tests DISCOVERY_TIMEOUT 60)
  endif()
  if(simrun AND VESK_SIM_RUN_TESTS AND NOT VESK_TSAN_ONLY)
    vesk_test_program(${tgt}_sim_tests ${simrun} ${support})
    foreach(prog ${VESK_PROGRAMS})
      add_dependencies(${tgt}_sim_tests ${prog})
    endforeach()
    # The longest tests: a high cost makes ctest start them first, so they do not run alone
    # at the end.
    gtest_discover_tests(${tgt}_sim_tests PROPERTIES LABELS simrun COST 100 DISCOVERY_TIMEOUT 60)
  endif()
  if(tsan)
    vesk_test_program(${tgt}_tsan_tests ${tsan} ${support})
    gtest_discover_tests(${tgt}_tsan_tests PROPERTIES LABELS tsan DISCOVERY_TIMEOUT 60)
  endif()
  # Fuzz targets (*_fuzz.cpp, each defining LLVMFuzzerTestOneInput), labelled "fuzz". With
  # VESK_FUZZ (clang) they are libFuzzer programs run for a bounded time; otherwise a replay
  # driver feeds them a fixed set of seeded random inputs, so every build runs them.
  file(GLOB fuzz CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_fuzz.cpp)
  if(NOT VESK_TSAN_ONLY)
    foreach(f ${fuzz})
      get_filename_component(name ${f} NAME_WE)
      if(VESK_FUZZ)
        add_executable(${name} ${f})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        add_test(NAME ${name} COMMAND ${name} -runs=${VESK_FUZZ_RUNS} -max_total_time=${VESK_FUZZ_SECONDS} -seed=1)
      else()
        add_executable(${name} ${f} ${PROJECT_SOURCE_DIR}/tests/support/fuzz_replay.cpp)
        add_test(NAME ${name} COMMAND ${name})
      endif()
      target_link_libraries(${name} PRIVATE ${ARGN} test_support)
      set_tests_properties(${name} PROPERTIES LABELS fuzz)
    endforeach()
  endif()
endfunction()
