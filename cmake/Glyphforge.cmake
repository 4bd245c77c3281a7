# Shared build settings and the helpers every folder uses.

set(GF_WARNINGS -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
if(GF_WERROR)
  list(APPEND GF_WARNINGS -Werror)
endif()

if(GF_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(GF_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# gf_library(<name> [DEPS <libs...>] [DIRS <subfolders...>])
# One static library made of every .cpp directly in this folder (and in DIRS).
function(gf_library name)
  cmake_parse_arguments(GF "" "" "DEPS;DIRS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(dir IN LISTS GF_DIRS)
    file(GLOB more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${more})
  endforeach()
  if(NOT sources)
    # A folder whose first sources have not landed yet: headers only.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${GF_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${GF_WARNINGS})
  target_link_libraries(${name} PUBLIC ${GF_DEPS})
endfunction()

# gf_test_suite(<name> [DEPS <libs...>] [LABELS <labels...>])
# One GoogleTest executable of every .cpp in this folder; each test is a CTest test.
function(gf_test_suite name)
  cmake_parse_arguments(GF "" "" "DEPS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${GF_WARNINGS})
  target_compile_definitions(${name} PRIVATE GF_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
                                             GF_TEST_OUTPUT="${CMAKE_CURRENT_BINARY_DIR}")
  target_link_libraries(${name} PRIVATE ${GF_DEPS} GTest::gtest GTest::gmock gf_test_main)
  # Window tests read their pixels back from the X server and hold its pointer and clipboard:
  # one at a time, so no window of another test covers theirs.
  set(lock "")
  if("gui" IN_LIST GF_LABELS)
    set(lock RESOURCE_LOCK x-display)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS "${GF_LABELS}" ${lock})
endfunction()

# gf_benchmark(<name> <source> [DEPS <libs...>])
function(gf_benchmark name source)
  cmake_parse_arguments(GF "" "" "DEPS" ${ARGN})
  add_executable(${name} ${source})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${GF_WARNINGS})
  target_link_libraries(${name} PRIVATE ${GF_DEPS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
