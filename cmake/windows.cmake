# The toolchain of the "windows" preset: Qt for Windows, built by tools/build-windows-qt, on top of
# the mingw-w64 cross compiler; off Windows the tests run under Wine. PELDERWICK_WINDOWS_QT names
# another Qt for Windows (on Windows itself: a Qt 6 installation for mingw); PELDERWICK_CACHE
# another cache, as for tools/build-windows-qt.
if(DEFINED ENV{PELDERWICK_WINDOWS_QT})
  set(windows_qt "$ENV{PELDERWICK_WINDOWS_QT}")
elseif(DEFINED ENV{PELDERWICK_CACHE})
  set(windows_qt "$ENV{PELDERWICK_CACHE}/qt-windows")
elseif(DEFINED ENV{XDG_CACHE_HOME})
  set(windows_qt "$ENV{XDG_CACHE_HOME}/pelderwick/qt-windows")
else()
  set(windows_qt "$ENV{HOME}/.cache/pelderwick/qt-windows")
endif()
if(NOT EXISTS "${windows_qt}/lib/cmake/Qt6/qt.toolchain.cmake")
  message(FATAL_ERROR "No Qt for Windows in ${windows_qt}: run tools/build-windows-qt first")
endif()
if(NOT CMAKE_HOST_WIN32)
  set(QT_CHAINLOAD_TOOLCHAIN_FILE "${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run")
endif()
include("${windows_qt}/lib/cmake/Qt6/qt.toolchain.cmake")
