# Shared build settings and helper functions of the project.
include_guard(GLOBAL)

if(QH_BUILD_TESTS)
  enable_testing()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

add_compile_options(-Wall -Wextra -Wno-unused-parameter)
if(QH_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Where programs, shared libraries and the assembled start directory land.
set(QH_RUNTIME_DIR ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${QH_RUNTIME_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${QH_RUNTIME_DIR})

# qh_library(NAME <target> [SOURCES ...] [GLOB] [DEPS ...])
#   A static library of the project; GLOB takes every *.cpp of the calling folder (not tests/).
#   Everything includes headers by their path from the top ("platform/core/CString.h").
function(qh_library)
  cmake_parse_arguments(A "GLOB" "NAME" "SOURCES;DEPS" ${ARGN})
  set(sources ${A_SOURCES})
  if(A_GLOB)
    file(GLOB globbed CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
    list(APPEND sources ${globbed})
  endif()
  add_library(${A_NAME} STATIC ${sources})
  target_include_directories(${A_NAME} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
  target_link_libraries(${A_NAME} PUBLIC ${A_DEPS})
endfunction()

# qh_gtest(NAME <exe> LABELS <l1;l2> SOURCES ... [DEPS ...] [TIMEOUT s])
#   A GoogleTest program whose tests CTest lists one by one, labelled by layer and program or library.
function(qh_gtest)
  if(NOT QH_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(A "" "NAME;TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 120)
  endif()
  # A test program whose sources are not all there yet (work in progress in a shared tree) is left out
  # loudly instead of breaking the whole configuration.
  foreach(source IN LISTS A_SOURCES)
    if(NOT IS_ABSOLUTE ${source})
      set(source ${CMAKE_CURRENT_SOURCE_DIR}/${source})
    endif()
    if(NOT EXISTS ${source})
      message(WARNING "qh_gtest: ${A_NAME} left out, its source ${source} is missing")
      return()
    endif()
  endforeach()
  add_executable(${A_NAME} ${A_SOURCES})
  target_link_libraries(${A_NAME} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${A_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(${A_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # Discovered tests take each property as one word, so the labels travel as one label joined by '/'
  # ("platform/core"); `ctest -L core` still finds them, since -L matches a regular expression.
  string(REPLACE ";" "/" labels "${A_LABELS}")
  gtest_discover_tests(${A_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    NO_PRETTY_VALUES
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    # The build's own folder for what the tests leave behind (pictures): a folder shared by every user
    # of the machine would belong to whoever ran the tests first.
    PROPERTIES LABELS "${labels}" TIMEOUT ${A_TIMEOUT} ENVIRONMENT "QH_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()
