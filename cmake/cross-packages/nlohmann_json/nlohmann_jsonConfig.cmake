# nlohmann-json for cross builds: the library is header-only, but the host's
# package points at /usr/include, which holds the host's C library headers.
# This package exposes only the nlohmann folder, through a link in the build
# tree.
if(NOT TARGET nlohmann_json::nlohmann_json)
  set(_bridgefw_json_include ${CMAKE_BINARY_DIR}/cross-include)
  file(MAKE_DIRECTORY ${_bridgefw_json_include})
  if(NOT EXISTS ${_bridgefw_json_include}/nlohmann)
    file(CREATE_LINK /usr/include/nlohmann ${_bridgefw_json_include}/nlohmann SYMBOLIC)
  endif()
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${_bridgefw_json_include})
endif()
set(nlohmann_json_FOUND TRUE)
