# Builds the Big5 table (a data file of the repository) into the program as one UTF-8 string.
include(${CMAKE_CURRENT_LIST_DIR}/generated_source.cmake)
function(add_big5_table target data)
  file(READ ${data} content)
  string(CONCAT text "// Generated from big5.txt by cmake/big5.cmake: edit that file instead.\n"
         "extern const char big5_table[];\n"
         "const char big5_table[] = R\"big5(${content})big5\";\n")
  add_generated_source(${target} ${data} big5_table.cpp "${text}")
endfunction()
