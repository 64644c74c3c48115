# A program a user starts: add_pelderwick_program(name SOURCES ... LINKS ...). Its sources
# define `extern "C" PELDERWICK_PROGRAM int pelderwick_main(int, char**)`. On Windows the program
# is a library "<name>_main.dll" that a small launcher "<name>.exe", which needs only the
# system's libraries, loads once it has restricted where libraries come from; elsewhere it is one
# executable.
function(add_pelderwick_program name)
  cmake_parse_arguments(PARSE_ARGV 1 program "" "DESCRIPTION" "SOURCES;LINKS")
  if(WIN32)
    add_library(${name}_main SHARED ${program_SOURCES})
    target_link_libraries(${name}_main PRIVATE ${program_LINKS} project_warnings)
    # Windowed: no console window beside the main window; started from a console it writes there.
    add_executable(${name} WIN32 ${PROJECT_SOURCE_DIR}/outside/launcher_windows.cpp)
    target_link_libraries(${name} PRIVATE project_warnings -static)
    add_dependencies(${name} ${name}_main)
    add_windows_resources(${name} "${program_DESCRIPTION}")
    add_windows_resources(${name}_main "${program_DESCRIPTION}")
    install(TARGETS ${name}_main RUNTIME DESTINATION ${PELDERWICK_INSTALL_DIR})
  else()
    add_executable(${name} ${program_SOURCES} ${PROJECT_SOURCE_DIR}/outside/program_main_posix.cpp)
    target_link_libraries(${name} PRIVATE ${program_LINKS} project_warnings)
  endif()
  install(TARGETS ${name} RUNTIME DESTINATION ${PELDERWICK_INSTALL_DIR})
endfunction()
