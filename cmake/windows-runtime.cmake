# On Windows the programs need Qt's libraries, the plugins Qt loads and the compiler's runtime
# beside them. They are copied into the build's bin folder, so that it runs as the installed
# program does, and installed with it; QtTest and the offscreen platform are for the tests and
# the demo.
set(qt_bin ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
set(qt_plugins ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
set(program_runtime ${qt_bin}/Qt6Core.dll ${qt_bin}/Qt6Gui.dll ${qt_bin}/Qt6Widgets.dll
                    ${qt_bin}/Qt6PrintSupport.dll)
# (Printing on Windows is inside Qt6PrintSupport.dll: no plugin.)
set(program_plugins platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll
                    imageformats/qico.dll)
foreach(library libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${library}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}")
    message(FATAL_ERROR "The compiler's runtime ${library} is not where the compiler says")
  endif()
  list(APPEND program_runtime ${found})
endforeach()

set(copies)
foreach(file ${program_runtime} ${qt_bin}/Qt6Test.dll)
  get_filename_component(name ${file} NAME)
  list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${CMAKE_BINARY_DIR}/bin/${name})
endforeach()
foreach(plugin ${program_plugins})
  get_filename_component(folder ${plugin} DIRECTORY)
  list(APPEND copies COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin/${folder}
                     COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qt_plugins}/${plugin}
                             ${CMAKE_BINARY_DIR}/bin/${plugin})
endforeach()
add_custom_target(windows_runtime ALL ${copies} COMMENT "Copying Qt and the runtime beside the programs")

install(FILES ${program_runtime} DESTINATION ${PELDERWICK_INSTALL_DIR})
foreach(plugin ${program_plugins})
  get_filename_component(folder ${plugin} DIRECTORY)
  install(FILES ${qt_plugins}/${plugin} DESTINATION ${PELDERWICK_INSTALL_DIR}/${folder})
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/docs/windows/讀我.txt DESTINATION ${PELDERWICK_INSTALL_DIR})
