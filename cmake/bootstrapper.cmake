# Building a bootstrapper around a payload, without touching code: the stub
# packed by vellox-pack, the one way bootstrappers are made here.
#
#   vellox_add_bootstrapper(<target>
#     # the payload, either a folder ...
#     [PAYLOAD_DIR <folder> PROGRAM <file name of the installer program in it>]
#     # ... or an explicit list
#     [ENTRIES "<id>|<manifest name>|<source file>|<manifest size>" ...]
#     # the build configuration; what is not given is the tool's default
#     [PRODUCT_NAME text] [PROCESSOR_MODE text] [REQUIRED_MB text]
#     [NET_LEVELS l1 ... l7] [ADMIN_CHECK text] [PROGRAM_NAME text]
#     [ICON <file.ico>]          # replaces the stub's icon
#     [INFO_BLOCK <file>]        # an information block, for an unsigned bootstrapper
#     # for payloads the bootstrapper must refuse (its own tests)
#     [NAMED_RESOURCES "<name>|<source file>" ...]
#     [MANIFEST_TEXT <file used verbatim as resource 101> | NO_MANIFEST]
#     [ALLOW_UNSAFE_NAMES]       # manifest names that would leave the temporary folder
#     [STUB <target>]            # another program with the stub's resources; default vellox_stub
#     [OUTPUT_NAME name] [DEPENDS target-or-file ...])
#
# Writes <OUTPUT_NAME or target>.exe in the current binary folder; the target's
# VELLOX_OUTPUT property names it. The arguments become <target>.payload/pack.toml,
# which vellox-pack reads with --config: the same keys in lower case with dashes.
# With PAYLOAD_DIR every file under the folder (sub-folders included) gets an
# id from 102 upwards, the program first, and the manifest gives each its
# relative name and size. In ENTRIES an empty manifest name leaves the
# resource out of the manifest, an empty source makes a manifest triple
# without a resource, and an empty size takes the source's size. Sources may
# be generator expressions such as $<TARGET_FILE:tool>; name such targets in
# DEPENDS. Relative paths are relative to the current source folder.

include(ExternalProject)

# The tools run on the build machine, so they are built by its own compiler
# as a project of their own.
find_program(VELLOX_HOST_CXX NAMES g++ c++ clang++ REQUIRED)
set(VELLOX_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
set(VELLOX_APPEND_INFO_TOOL ${VELLOX_HOST_TOOLS_DIR}/vellox-append-info)
set(VELLOX_TEST_DATA_TOOL ${VELLOX_HOST_TOOLS_DIR}/vellox-test-data)
set(VELLOX_PACK_TOOL ${VELLOX_HOST_TOOLS_DIR}/vellox-pack)
ExternalProject_Add(vellox_host_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
  BINARY_DIR ${VELLOX_HOST_TOOLS_DIR}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=${VELLOX_HOST_CXX}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${VELLOX_APPEND_INFO_TOOL} ${VELLOX_TEST_DATA_TOOL} ${VELLOX_PACK_TOOL})

# A TOML basic string holding text.
function(_vellox_toml_string out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# An absolute path: relative ones against the current source folder;
# generator expressions as they are.
function(_vellox_absolute out path)
  if(NOT path STREQUAL "" AND NOT path MATCHES "^\\$<")
    get_filename_component(path "${path}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

function(vellox_add_bootstrapper name)
  cmake_parse_arguments(ARG "NO_MANIFEST;ALLOW_UNSAFE_NAMES"
    "PAYLOAD_DIR;PROGRAM;MANIFEST_TEXT;INFO_BLOCK;ICON;STUB;OUTPUT_NAME;PRODUCT_NAME;PROCESSOR_MODE;REQUIRED_MB;ADMIN_CHECK;PROGRAM_NAME"
    "ENTRIES;NAMED_RESOURCES;NET_LEVELS;DEPENDS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vellox_add_bootstrapper(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT ARG_STUB)
    set(ARG_STUB vellox_stub)
  endif()
  set(output_name ${name})
  if(ARG_OUTPUT_NAME)
    set(output_name ${ARG_OUTPUT_NAME})
  endif()
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${output_name}.exe)
  set(gen ${CMAKE_CURRENT_BINARY_DIR}/${name}.payload)

  # Only what the caller gave: the checks and the defaults are the tool's.
  set(toml "# Written by vellox_add_bootstrapper(${name}) for vellox-pack --config.\n")
  set(inputs)
  foreach(key PAYLOAD_DIR MANIFEST_TEXT INFO_BLOCK ICON)
    if(DEFINED ARG_${key})
      _vellox_absolute(path "${ARG_${key}}")
      if(NOT key STREQUAL "PAYLOAD_DIR")
        list(APPEND inputs "${path}")
      endif()
      set(ARG_${key} "${path}")
    endif()
  endforeach()
  if(DEFINED ARG_PAYLOAD_DIR)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS LIST_DIRECTORIES false "${ARG_PAYLOAD_DIR}/*")
    list(APPEND inputs ${files})
  endif()
  foreach(key PAYLOAD_DIR PROGRAM MANIFEST_TEXT INFO_BLOCK ICON PRODUCT_NAME PROCESSOR_MODE REQUIRED_MB ADMIN_CHECK
              PROGRAM_NAME)
    if(DEFINED ARG_${key})
      string(TOLOWER "${key}" option)
      string(REPLACE "_" "-" option "${option}")
      _vellox_toml_string(value "${ARG_${key}}")
      string(APPEND toml "${option} = ${value}\n")
    endif()
  endforeach()
  if(DEFINED ARG_NET_LEVELS)
    list(JOIN ARG_NET_LEVELS " " levels)
    _vellox_toml_string(value "${levels}")
    string(APPEND toml "net-levels = ${value}\n")
  endif()
  if(ARG_NO_MANIFEST)
    string(APPEND toml "no-manifest = true\n")
  endif()
  if(ARG_ALLOW_UNSAFE_NAMES)
    string(APPEND toml "allow-unsafe-names = true\n")
  endif()
  # One entry a line, so that scripts can read them back (bench/).
  foreach(list ENTRIES NAMED_RESOURCES)
    if(NOT ARG_${list})
      continue()
    endif()
    if(list STREQUAL "ENTRIES")
      string(APPEND toml "entries = [\n")
      set(source_field 2)
    else()
      string(APPEND toml "named = [\n")
      set(source_field 1)
    endif()
    foreach(item IN LISTS ARG_${list})
      string(REPLACE "|" ";" fields "${item}")
      list(LENGTH fields count)
      if(count GREATER source_field)
        list(GET fields ${source_field} source)
        if(NOT source STREQUAL "")
          _vellox_absolute(source "${source}")
          list(REMOVE_AT fields ${source_field})
          list(INSERT fields ${source_field} "${source}")
          list(APPEND inputs "${source}")
        endif()
      endif()
      list(JOIN fields "|" item)
      _vellox_toml_string(value "${item}")
      string(APPEND toml "  ${value},\n")
    endforeach()
    string(APPEND toml "]\n")
  endforeach()
  file(GENERATE OUTPUT ${gen}/pack.toml CONTENT "${toml}")

  add_custom_command(
    OUTPUT ${output}
    COMMAND ${VELLOX_PACK_TOOL} --config ${gen}/pack.toml --stub $<TARGET_FILE:${ARG_STUB}> --output ${output}
    DEPENDS ${gen}/pack.toml ${inputs} ${ARG_DEPENDS} ${ARG_STUB} vellox_host_tools ${VELLOX_PACK_TOOL}
    COMMENT "Packing ${output_name}.exe"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${output})
  set_target_properties(${name} PROPERTIES VELLOX_OUTPUT ${output})
endfunction()
