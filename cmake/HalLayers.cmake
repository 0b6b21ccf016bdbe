# The library is built in three layers, each an object library with an
# include root of its own: the platform (host boundary), the chip adapter
# and the HAL entry layer. A layer sees its own headers and those of the
# layers below it, always path-qualified ("platform/diag.h",
# "chip/kalo/kalo_l3.h"), plus the public headers in include/. An include
# that runs back up a layer names a path no include root of that layer
# holds, and the build stops there.
#
# Each root is a directory of the build tree holding one link to the
# layer's source directory, so that the source tree keeps its layout.

# hal_layer(<target> ROOT <dir> SOURCES <file>... [BELOW <layer>...])
function(hal_layer target)
  cmake_parse_arguments(L "" "ROOT" "SOURCES;BELOW" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${L_ROOT})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${L_ROOT} ${root}/${L_ROOT} SYMBOLIC)
  endif()

  add_library(${target} OBJECT ${L_SOURCES})
  target_include_directories(${target} PUBLIC ${root} ${PROJECT_SOURCE_DIR}/include)
  foreach(below IN LISTS L_BELOW)
    target_include_directories(${target} PUBLIC $<TARGET_PROPERTY:${below},INTERFACE_INCLUDE_DIRECTORIES>)
  endforeach()
  target_compile_definitions(${target} PRIVATE HAL_NETWORK_ADPT_BUILD)
  # Calls between the library's own exported functions (a translation
  # table's converters, the default port lookups) bind inside the library,
  # so the compiler may inline them; a host reaches the same functions
  # through the dynamic symbols as before.
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -fno-semantic-interposition)
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  hal_warnings(${target})
  hal_stack_guard(${target})
  hal_sanitize(${target})
endfunction()

# The include roots of every layer, for the stand-in host, tools and tests,
# which look at the library from outside and may name any of its headers.
function(hal_see_layers target)
  foreach(layer hal_platform hal_chip hal_entry)
    target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:${layer},INTERFACE_INCLUDE_DIRECTORIES>)
  endforeach()
endfunction()
