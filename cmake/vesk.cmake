# vesk_subsystem(NAME DEPS...): a library made of every .cpp in the calling folder.
# Sources are globbed so that adding a file to a subsystem needs no edit here.
# Extra source folders may be named with FOLDERS (radio/drivers joins radio).
# Static libraries may depend on each other in a cycle (the engine starts the sound card,
# the sound card posts engine events); CMake repeats them at link time.
function(vesk_subsystem name)
  cmake_parse_arguments(ARG "" "" "FOLDERS;DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(f ${ARG_FOLDERS})
    file(GLOB more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${f}/*.cpp)
    list(APPEND srcs ${more})
  endforeach()
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
# the only one built when VESK_TSAN_ONLY is on.
include(GoogleTest)
find_package(GTest REQUIRED)
function(vesk_tests folder)
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(GLOB tsan CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_tsan_test.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_support.cpp)
  set(plain ${all})
  if(tsan)
    list(REMOVE_ITEM plain ${tsan})
  endif()
  string(REPLACE "/" "_" tgt ${folder})
  # Every test of the folder carries the folder's label (the concurrency ones also "tsan").
  set_property(DIRECTORY PROPERTY LABELS ${folder})
  if(plain AND NOT VESK_TSAN_ONLY)
    add_executable(${tgt}_tests ${plain} ${support})
    target_link_libraries(${tgt}_tests PRIVATE ${ARGN} test_support GTest::gtest GTest::gmock GTest::gtest_main)
    # Tests may start the project's programs: build them first.
    foreach(prog ${VESK_PROGRAMS})
      add_dependencies(${tgt}_tests ${prog})
    endforeach()
    gtest_discover_tests(${tgt}_tests DISCOVERY_TIMEOUT 60)
  endif()
  if(tsan)
    add_executable(${tgt}_tsan_tests ${tsan} ${support})
    target_link_libraries(${tgt}_tsan_tests PRIVATE ${ARGN} test_support GTest::gtest GTest::gmock GTest::gtest_main)
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
