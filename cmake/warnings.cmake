add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast>)
# GCC 12's optimiser reports false positives on std::string concatenation (GCC bug 105651) and on
# moving std::optional (GCC bug 107919) at -O2 and above.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(project_warnings INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict -Wno-maybe-uninitialized>)
endif()

# The full check builds with warnings as errors: there are none, and none may come.
option(PELDERWICK_WERROR "Treat the compiler's warnings as errors" OFF)
if(PELDERWICK_WERROR)
  target_compile_options(project_warnings INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-Werror>)
endif()
