# oxl_add_subsystem(<target> [SUBDIR <dir>] [DEPS <targets...>])
# One static library per subsystem folder, made of the folder's own *.cpp files
# (not those of its sub-folders). A folder without sources yet is an interface target.
function(oxl_add_subsystem target)
  cmake_parse_arguments(ARG "" "SUBDIR" "DEPS" ${ARGN})
  set(dir "${CMAKE_CURRENT_SOURCE_DIR}")
  if(ARG_SUBDIR)
    set(dir "${dir}/${ARG_SUBDIR}")
  endif()
  file(GLOB sources CONFIGURE_DEPENDS "${dir}/*.cpp")
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# oxl_add_test_suite(<folder> DEPS <targets...> [TOOLS <executables...>] [LOCKS <names...>])
# One GoogleTest executable per source folder, made of tests/<folder>/*.cpp.
# TOOLS names the stand-in executables the tests start; they are built first.
# LOCKS names the CTest resource locks of fixed ports the tests bind (udp49004, udp49005, tcp10747);
# such a suite runs as one CTest test, so that the list of locks reaches CTest intact, and in a network
# namespace of its own (scripts/private-net.sh), so that a program running on this machine cannot hold them.
function(oxl_add_test_suite folder)
  cmake_parse_arguments(ARG "" "TIMEOUT" "DEPS;TOOLS;LOCKS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  if(NOT sources)
    return()
  endif()
  string(REPLACE "/" "_" name "test_${folder}")
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} oxl_testsupport GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    OXL_SHARED_DIR="${OXL_SHARED_DIR}"
    OXL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    OXL_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
    OXL_STANDIN_DIR="${OXL_STANDIN_DIR}")
  if(NOT OXL_STANDIN_DIR STREQUAL CMAKE_RUNTIME_OUTPUT_DIRECTORY)
    list(REMOVE_ITEM ARG_TOOLS sim_standin traffic_standin)
  endif()
  if(ARG_TOOLS)
    add_dependencies(${name} ${ARG_TOOLS})
  endif()
  # The suppressions (system font caches) also hold when ctest is run by hand.
  set(lsan "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/scripts/lsan-suppressions.txt")
  # Each test is labelled with its executable, so that a build can run chosen suites (ctest -L).
  if(ARG_LOCKS)
    add_test(NAME ${name} COMMAND sh "${PROJECT_SOURCE_DIR}/scripts/private-net.sh" $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} RESOURCE_LOCK "${ARG_LOCKS}" ENVIRONMENT "${lsan}"
                                            LABELS ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${lsan}"
                         LABELS ${name})
  endif()
endfunction()
