# Layers that the build enforces. A library publishes only its own folder below src/: its
# include root holds a link named like that folder (base/, ui/reportwin/ ...) and nothing else,
# so "#include "store/X.h"" compiles only in code that links the store library (directly or
# through a library that exposes it). Including a layer one does not link fails to build.
function(zl_publish_headers target)
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${rel} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${rel})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${rel} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# A module that a program loads when it first needs it (reporter-cli's remote client and device
# link), built beside the programs. Its own names come first, so nothing of the loading program
# stands in for them; every name is resolved inside it, except in sanitizer builds, whose
# runtime lives in the program that loads it.
function(zl_loadable_module target)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_options(${target} PRIVATE -Wl,-Bsymbolic)
  if(NOT ZL_SANITIZE AND NOT ZL_FUZZ)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endfunction()
