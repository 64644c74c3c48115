# A C++ file generated at configure time from a data file of the repository: written only when
# its text changes (so nothing is rebuilt for nothing), made anew when the data file changes,
# and compiled into `target`. Nothing is read at run time.
function(add_generated_source target data name text)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/${name})
  file(WRITE ${generated}.partial "${text}")
  file(COPY_FILE ${generated}.partial ${generated} ONLY_IF_DIFFERENT)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${data})
  target_sources(${target} PRIVATE ${generated})
endfunction()
