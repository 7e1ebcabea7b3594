# Building a bootstrapper around a payload, without touching code.
#
#   vellox_add_bootstrapper(<target>
#     # the payload, either a folder ...
#     [PAYLOAD_DIR <folder> PROGRAM <file name of the installer program in it>]
#     # ... or an explicit list (for broken payloads too)
#     [ENTRIES "<id>|<manifest name>|<source file>|<manifest size>" ...]
#     [NAMED_RESOURCES "<name>|<source file>" ...]
#     [MANIFEST_TEXT <file used verbatim as resource 101> | NO_MANIFEST]
#     # an information block appended to the finished executable
#     [INFO_BLOCK <file>]
#     # the build configuration (defaults as vellox_write_build_config)
#     [PRODUCT_NAME text] [PROCESSOR_MODE text] [REQUIRED_MB text]
#     [NET_LEVELS l1 ... l7] [ADMIN_CHECK text] [PROGRAM_NAME text]
#     [OUTPUT_NAME name] [DEPENDS target-or-file ...])
#
# With PAYLOAD_DIR every file under the folder (sub-folders included) gets an
# id from 102 upwards, the program first, and the manifest gives each its
# relative name and size. In ENTRIES an empty manifest name leaves the
# resource out of the manifest, an empty source makes a manifest triple
# without a resource, and an empty size takes the source's size. Sources may
# be generator expressions such as $<TARGET_FILE:tool>; name such targets in
# DEPENDS.

include(ExternalProject)

# The tools run on the build machine, so they are built by its own compiler
# as a project of their own.
find_program(VELLOX_HOST_CXX NAMES g++ c++ clang++ REQUIRED)
set(VELLOX_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
set(VELLOX_PAYLOAD_TOOL ${VELLOX_HOST_TOOLS_DIR}/vellox-payload)
set(VELLOX_APPEND_INFO_TOOL ${VELLOX_HOST_TOOLS_DIR}/vellox-append-info)
set(VELLOX_TEST_DATA_TOOL ${VELLOX_HOST_TOOLS_DIR}/vellox-test-data)
set(VELLOX_PACK_TOOL ${VELLOX_HOST_TOOLS_DIR}/vellox-pack)
ExternalProject_Add(vellox_host_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
  BINARY_DIR ${VELLOX_HOST_TOOLS_DIR}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=${VELLOX_HOST_CXX}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${VELLOX_PAYLOAD_TOOL} ${VELLOX_APPEND_INFO_TOOL} ${VELLOX_TEST_DATA_TOOL} ${VELLOX_PACK_TOOL})

function(vellox_add_bootstrapper name)
  cmake_parse_arguments(ARG "NO_MANIFEST"
    "PAYLOAD_DIR;PROGRAM;MANIFEST_TEXT;INFO_BLOCK;OUTPUT_NAME;PRODUCT_NAME;PROCESSOR_MODE;REQUIRED_MB;ADMIN_CHECK;PROGRAM_NAME"
    "ENTRIES;NAMED_RESOURCES;NET_LEVELS;DEPENDS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vellox_add_bootstrapper(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(ARG_PAYLOAD_DIR AND (ARG_ENTRIES OR NOT ARG_PROGRAM))
    message(FATAL_ERROR "vellox_add_bootstrapper(${name}): PAYLOAD_DIR needs PROGRAM and takes no ENTRIES")
  endif()

  set(gen ${CMAKE_CURRENT_BINARY_DIR}/${name}.payload)

  set(config_args)
  foreach(key PRODUCT_NAME PROCESSOR_MODE REQUIRED_MB ADMIN_CHECK PROGRAM_NAME)
    if(DEFINED ARG_${key})
      list(APPEND config_args ${key} "${ARG_${key}}")
    endif()
  endforeach()
  if(DEFINED ARG_NET_LEVELS)
    list(APPEND config_args NET_LEVELS ${ARG_NET_LEVELS})
  endif()
  vellox_write_build_config(${gen}/build_config.rc ${config_args})

  set(tool_args --manifest ${gen}/manifest.bin --script ${gen}/payload.rc)
  set(inputs)
  if(ARG_PAYLOAD_DIR)
    get_filename_component(folder "${ARG_PAYLOAD_DIR}" ABSOLUTE)
    list(APPEND tool_args --folder ${folder} --program ${ARG_PROGRAM})
    file(GLOB_RECURSE inputs CONFIGURE_DEPENDS LIST_DIRECTORIES false "${folder}/*")
  endif()
  foreach(entry IN LISTS ARG_ENTRIES)
    list(APPEND tool_args --entry "${entry}")
    string(REPLACE "|" ";" fields "${entry}")
    list(LENGTH fields count)
    if(count GREATER 2)
      list(GET fields 2 source)
      if(NOT source STREQUAL "")
        list(APPEND inputs "${source}")
      endif()
    endif()
  endforeach()
  foreach(named IN LISTS ARG_NAMED_RESOURCES)
    list(APPEND tool_args --named "${named}")
    string(REPLACE "|" ";" fields "${named}")
    list(GET fields -1 source)
    list(APPEND inputs "${source}")
  endforeach()
  if(ARG_MANIFEST_TEXT)
    list(APPEND tool_args --manifest-text ${ARG_MANIFEST_TEXT})
    list(APPEND inputs ${ARG_MANIFEST_TEXT})
  endif()
  if(ARG_NO_MANIFEST)
    list(APPEND tool_args --no-manifest)
  endif()

  # The script is rewritten whenever a payload file changes, which makes the
  # resource compiler read the payload again.
  add_custom_command(
    OUTPUT ${gen}/payload.rc ${gen}/manifest.bin
    COMMAND ${VELLOX_PAYLOAD_TOOL} ${tool_args}
    DEPENDS ${inputs} ${ARG_DEPENDS} vellox_host_tools ${VELLOX_PAYLOAD_TOOL}
    COMMENT "Payload of ${name}"
    VERBATIM)
  set_source_files_properties(${gen}/payload.rc PROPERTIES GENERATED TRUE)

  vellox_add_executable(${name} CONFIG ${gen}/build_config.rc RESOURCES ${gen}/payload.rc)
  if(ARG_OUTPUT_NAME)
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
  endif()
  if(ARG_INFO_BLOCK)
    get_filename_component(info "${ARG_INFO_BLOCK}" ABSOLUTE)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${VELLOX_APPEND_INFO_TOOL} $<TARGET_FILE:${name}> ${info}
      VERBATIM)
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${info})
  endif()
endfunction()

# Bootstrappers for products of your own, kept outside this tree: a CMake
# file of vellox_add_bootstrapper calls, e.g.
#   cmake --preset win32 -DVELLOX_PRODUCTS=/path/to/products.cmake
set(VELLOX_PRODUCTS "" CACHE FILEPATH "A CMake file of vellox_add_bootstrapper calls for your own products")
if(VELLOX_PRODUCTS)
  include(${VELLOX_PRODUCTS})
endif()
