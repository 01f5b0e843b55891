# vornalt_library(<name> [SUBDIRS dir...] [DEPS target...])
#
# One static library per folder: every .cpp of the folder (and of the listed family subfolders),
# includes rooted at the top of the tree ("platform/base/Types.h"). Tests are every .cpp under
# tests/ (and the family subfolders' tests/), one GoogleTest executable, each test case registered
# with CTest (except the suites named *Child, which other tests start as a second process).
function(vornalt_library name)
  cmake_parse_arguments(ARG "" "" "SUBDIRS;DEPS;TEST_DEPS" ${ARGN})
  set(globs ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(sub IN LISTS ARG_SUBDIRS)
    list(APPEND globs ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)
  else()
    # A folder of headers only (so far).
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} Threads::Threads)
  endif()

  set(test_globs ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  foreach(sub IN LISTS ARG_SUBDIRS)
    list(APPEND test_globs ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/tests/*.cpp)
  endforeach()
  file(GLOB test_sources CONFIGURE_DEPENDS ${test_globs})
  if(test_sources)
    add_executable(${name}_tests ${test_sources})
    target_link_libraries(${name}_tests PRIVATE ${name} ${ARG_TEST_DEPS} GTest::gtest_main GTest::gmock)
    target_compile_definitions(${name}_tests PRIVATE
      VORNALT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      VORNALT_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
    # Suites named *Child are run by other tests as a second process, never on their own.
    gtest_discover_tests(${name}_tests
      TEST_FILTER "-*Child.*"
      DISCOVERY_MODE PRE_TEST
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
      PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# vornalt_copy_program_data(<target>)
#
# Copies the program-folder data (data/frames, and data/gallery_themes when it exists) next to
# the target's binary after every build of it, where the program looks for it.
function(vornalt_copy_program_data target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/data/frames $<TARGET_FILE_DIR:${target}>/frames
    VERBATIM)
  if(EXISTS ${PROJECT_SOURCE_DIR}/data/gallery_themes)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/data/gallery_themes
              $<TARGET_FILE_DIR:${target}>/gallery_themes
      VERBATIM)
  endif()
endfunction()
