# Every target of the project compiles with the same strict warnings, and
# warnings are errors.
add_library(bridgefw_warnings INTERFACE)
target_compile_options(bridgefw_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wcast-align -Werror
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual>)

# bridgefw_room(<name> SOURCES ... DEPENDS ...): one static library per src/ folder.
function(bridgefw_room name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(bridgefw_${name} STATIC ${ARG_SOURCES})
  target_include_directories(bridgefw_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src
                                                     ${PROJECT_SOURCE_DIR}/include)
  target_link_libraries(bridgefw_${name} PUBLIC ${ARG_DEPENDS} PRIVATE bridgefw_warnings)
endfunction()
