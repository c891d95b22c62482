# qh_fuzz_test(NAME <test> SCRIPT <run_fuzz.sh> PROGRAM <program name> LABELS <l1;l2>)
# A libFuzzer target is built by clang through its run_fuzz.sh, apart from the main (g++) build, but as a
# step of the build: the test then only runs it, for a short time, so a loaded machine's slow compile
# never counts against the test's time. CI runs the script itself for a full minute.
function(qh_fuzz_test)
  cmake_parse_arguments(A "" "NAME;SCRIPT;PROGRAM" "LABELS" ${ARGN})
  if(NOT QH_BUILD_TESTS)
    return()
  endif()
  find_program(QH_CLANGXX NAMES clang++ clang++-14)
  if(NOT QH_CLANGXX)
    return()
  endif()
  set(work ${CMAKE_CURRENT_BINARY_DIR}/work)
  add_custom_command(OUTPUT ${work}/${A_PROGRAM}
    COMMAND ${CMAKE_COMMAND} -E env CLANGXX=${QH_CLANGXX} bash ${A_SCRIPT} build ${work}
    DEPENDS ${A_SCRIPT} ${PROJECT_SOURCE_DIR}/scripts/fuzz-target.sh
    DEPFILE ${work}/${A_PROGRAM}.d
    COMMENT "Building the fuzzer ${A_PROGRAM} with clang"
    VERBATIM)
  add_custom_target(${A_NAME}_program ALL DEPENDS ${work}/${A_PROGRAM})
  add_test(NAME ${A_NAME} COMMAND ${A_SCRIPT} 20 ${work})
  set_tests_properties(${A_NAME} PROPERTIES LABELS "${A_LABELS}" TIMEOUT 240
                       SKIP_RETURN_CODE 77 ENVIRONMENT "CLANGXX=${QH_CLANGXX}")
endfunction()
