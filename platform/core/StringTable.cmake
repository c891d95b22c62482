# String tables: qh_string_table(TARGET <program> SOURCE <strings.txt>) compiles a table source into
# the program, where it registers itself at start-up for LoadString and CString::LoadString.
#
# Source format (UTF-8; texts are stored in code page 1252):
#   # comment
#   61204 "Quaverhouse Jukebox"
#   61230 "A fatal error has occurred.\r\n"
#         "Details follow: [%s]."          <- a line of blanks and a quote continues the text above
# Escapes: \n \r \t \\ \" \xHH (a 1252 byte). The format and its checks are described in
# platform/core/tools/StringTableCompiler.cpp.
#
# Give the table to the program (or test) target itself: a table inside a static library would be
# dropped by the linker, since nothing refers to it by name.
include_guard(GLOBAL)

if(NOT TARGET qh_strc)
  add_executable(qh_strc ${CMAKE_CURRENT_LIST_DIR}/tools/StringTableCompiler.cpp ${CMAKE_CURRENT_LIST_DIR}/Cp1252.cpp)
  target_include_directories(qh_strc PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(qh_strc PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
endif()

function(qh_string_table)
  cmake_parse_arguments(A "" "TARGET;SOURCE" "" ${ARGN})
  if(NOT A_TARGET OR NOT A_SOURCE)
    message(FATAL_ERROR "qh_string_table needs TARGET and SOURCE")
  endif()
  get_filename_component(source ${A_SOURCE} ABSOLUTE)
  get_filename_component(name ${A_SOURCE} NAME_WE)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/${A_TARGET}_${name}_table.cpp)
  add_custom_command(
    OUTPUT ${generated}
    COMMAND qh_strc ${source} ${generated}
    DEPENDS qh_strc ${source}
    COMMENT "Compiling string table ${A_SOURCE}"
    VERBATIM)
  target_sources(${A_TARGET} PRIVATE ${generated})
endfunction()
