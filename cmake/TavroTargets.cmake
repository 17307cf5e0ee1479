# Shared settings for every target of the project.

set(TAVRO_WARNINGS -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Werror)
# GCC 12 at -O3 reports string concatenations in its own headers as overlapping copies
# (-Wrestrict false positives); the warning stays on, but does not stop the build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND TAVRO_WARNINGS -Wno-error=restrict)
endif()
# Clang checks the locking annotations of platform/foundation/Mutex.h: a member marked as
# guarded by a mutex is touched only with that mutex held.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  list(APPEND TAVRO_WARNINGS -Wthread-safety -Wthread-safety-beta)
endif()

if(TAVRO_SANITIZE STREQUAL "address")
  set(TAVRO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(TAVRO_SANITIZE STREQUAL "thread")
  set(TAVRO_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
else()
  set(TAVRO_SANITIZER_FLAGS "")
endif()
if(TAVRO_SANITIZER_FLAGS)
  add_compile_options(${TAVRO_SANITIZER_FLAGS})
  add_link_options(${TAVRO_SANITIZER_FLAGS})
endif()

# A broken invariant (TAVRO_ASSERT) stops the program in every build but Release: the test
# build is RelWithDebInfo, so NDEBUG cannot tell the two apart.
add_compile_definitions($<$<NOT:$<CONFIG:Release>>:TAVRO_ASSERTIONS_STOP>)

# tavro_library(name SOURCES ... DEPS ... LINKS ...): one static library per folder.
# DEPS are exactly the libraries whose headers the folder includes (scripts/check-deps.py
# keeps it so); a third-party library that the folder wraps is linked PRIVATE after the call.
# LINKS are libraries it needs only when linking, for code declared elsewhere (the
# delegate's behaviour is declared in appstate and defined by the shell); it includes none
# of their headers.
function(tavro_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${TAVRO_WARNINGS})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS})
  set_property(GLOBAL APPEND PROPERTY TAVRO_LIBRARIES ${name})
endfunction()

# tavro_test(name LABELS ... SOURCES ... DEPS ...): one GoogleTest binary per folder,
# registered with CTest under the folder's label (and "threads" when asked).
function(tavro_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${TAVRO_WARNINGS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  # Every test file includes the test framework, whose parsing is a large part of compiling
  # one: the test programs share one precompiled copy of it, made by the first of them.
  # With it in front, GCC 12 reports string concatenations in its own headers as reads out
  # of bounds (-Warray-bounds false positives, as with -Wrestrict above): still reported,
  # they do not stop the build.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE -Wno-error=array-bounds)
  endif()
  get_property(pch_owner GLOBAL PROPERTY TAVRO_TEST_PCH_OWNER)
  if(pch_owner)
    target_precompile_headers(${name} REUSE_FROM ${pch_owner})
  else()
    target_precompile_headers(${name} PRIVATE <gtest/gtest.h>)
    set_property(GLOBAL PROPERTY TAVRO_TEST_PCH_OWNER ${name})
  endif()
  include(GoogleTest)
  # Labels go on the folder, which gives them to each of its tests: passed through
  # gtest_discover_tests' PROPERTIES, a list of labels loses all but its first.
  set_property(DIRECTORY APPEND PROPERTY LABELS ${ARG_LABELS})
  gtest_discover_tests(${name} PROPERTIES TIMEOUT 120 DISCOVERY_TIMEOUT 60)
endfunction()

# Fuzz builds instrument every library for coverage; the fuzz targets link libFuzzer.
if(TAVRO_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
