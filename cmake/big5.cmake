# Builds the Big5 table (a data file of the repository) into the program as one UTF-8 string,
# made anew when the data file changes. Nothing is read at run time.
function(add_big5_table target data)
  file(READ ${data} content)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/big5_table.cpp)
  file(WRITE ${generated}.partial
       "// Generated from big5.txt by cmake/big5.cmake: edit that file instead.\n"
       "extern const char big5_table[];\n"
       "const char big5_table[] = R\"big5(${content})big5\";\n")
  file(COPY_FILE ${generated}.partial ${generated} ONLY_IF_DIFFERENT)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${data})
  target_sources(${target} PRIVATE ${generated})
endfunction()
