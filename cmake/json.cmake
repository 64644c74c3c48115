# nlohmann-json, header-only. A cross build cannot take Debian's package as it is: its config
# points at /usr/include, where the build machine's own C headers would shadow the target's.
# It gets a folder that holds nothing but the json headers.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_HOST_WIN32)
  set(PELDERWICK_JSON_HEADERS /usr/include/nlohmann CACHE PATH "nlohmann-json's header folder")
  set(json_only ${CMAKE_BINARY_DIR}/json-only)
  file(MAKE_DIRECTORY ${json_only})
  file(CREATE_LINK ${PELDERWICK_JSON_HEADERS} ${json_only}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json INTERFACE ${json_only})
else()
  find_package(nlohmann_json 3 REQUIRED)
endif()
