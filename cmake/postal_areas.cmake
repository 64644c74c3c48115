# Builds the postal areas' table (a data file of the repository) into the program: a C++ file
# generated from it, made anew when the data file changes. Nothing is read at run time.
include(${CMAKE_CURRENT_LIST_DIR}/generated_source.cmake)
function(add_postal_areas target data)
  file(STRINGS ${data} lines ENCODING UTF-8)
  set(rows "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^#" OR line STREQUAL "")
      continue()
    endif()
    string(REPLACE "\t" ";" fields "${line}")
    list(GET fields 0 county)
    list(GET fields 1 district)
    list(GET fields 2 code)
    list(GET fields 3 county_english)
    list(GET fields 4 district_english)
    string(APPEND rows
           "    {\"${county}\", \"${district}\", ${code}, \"${county_english}\", \"${district_english}\"},\n")
  endforeach()
  string(CONCAT text
         "// Generated from postal_areas.tsv by cmake/postal_areas.cmake: edit that file instead.\n"
         "#include \"postal_areas.h\"\n\n"
         "const std::array<Postal_Area, postal_area_count> postal_area_table = {{\n${rows}}};\n")
  add_generated_source(${target} ${data} postal_areas_table.cpp "${text}")
endfunction()
