# Optional Authenticode signing of finished bootstrappers (osslsigncode).
#
#   vellox_sign_executable(<target> OUTPUT <signed.exe> CERT <cert.pem> KEY <key.pem>
#                          [PROGRAM_NAME <text>] [MORE_INFO <link>] [INFO_BLOCK <file>])
# adds <target>_signed, which writes a signed copy of <target>'s executable.
# The program name becomes the TW_I value the bootstrapper forwards.
# INFO_BLOCK is added after signing, inside the certificate table, so the
# signature holds; give it here rather than to vellox_add_bootstrapper for a
# bootstrapper that is signed (a block added before signing no longer ends
# the file once the signature is appended, and is not found).
#
# For the default bootstrapper, configure with -DVELLOX_SIGN_CERT=<cert.pem>
# -DVELLOX_SIGN_KEY=<key.pem> (and optionally VELLOX_SIGN_PROGRAM_NAME,
# VELLOX_SIGN_MORE_INFO) to get vellox-signed.exe beside vellox.exe.
# tools/make_test_certificate.sh makes a throw-away pair for trying it out.

set(VELLOX_SIGN_CERT "" CACHE FILEPATH "Certificate (PEM) that signs vellox-signed.exe; empty: no signed build")
set(VELLOX_SIGN_KEY "" CACHE FILEPATH "Private key (PEM) of VELLOX_SIGN_CERT")
set(VELLOX_SIGN_PROGRAM_NAME "" CACHE STRING "Program name written into the signature")
set(VELLOX_SIGN_MORE_INFO "" CACHE STRING "More-information link written into the signature")

function(vellox_sign_executable target)
  cmake_parse_arguments(ARG "" "OUTPUT;CERT;KEY;PROGRAM_NAME;MORE_INFO;INFO_BLOCK" "" ${ARGN})
  if(NOT ARG_OUTPUT OR NOT ARG_CERT OR NOT ARG_KEY)
    message(FATAL_ERROR "vellox_sign_executable: OUTPUT, CERT and KEY are required")
  endif()
  find_program(VELLOX_OSSLSIGNCODE osslsigncode REQUIRED)
  set(options --cert "${ARG_CERT}" --key "${ARG_KEY}")
  if(ARG_PROGRAM_NAME)
    list(APPEND options --name "${ARG_PROGRAM_NAME}")
  endif()
  if(ARG_MORE_INFO)
    list(APPEND options --url "${ARG_MORE_INFO}")
  endif()
  # A bootstrapper names its packed file; any other program target its own.
  get_target_property(input ${target} VELLOX_OUTPUT)
  if(NOT input)
    set(input "$<TARGET_FILE:${target}>")
  endif()
  set(add_block)
  set(block_depends)
  if(ARG_INFO_BLOCK)
    get_filename_component(info "${ARG_INFO_BLOCK}" ABSOLUTE)
    set(add_block COMMAND ${VELLOX_APPEND_INFO_TOOL} "${ARG_OUTPUT}" "${info}")
    set(block_depends "${info}" vellox_host_tools)
  endif()
  add_custom_command(OUTPUT "${ARG_OUTPUT}"
    COMMAND "${CMAKE_SOURCE_DIR}/tools/sign_bootstrapper.sh" ${options} "${input}" "${ARG_OUTPUT}"
    ${add_block}
    DEPENDS ${target} "${input}" "${ARG_CERT}" "${ARG_KEY}" "${CMAKE_SOURCE_DIR}/tools/sign_bootstrapper.sh" ${block_depends}
    COMMENT "Signing ${target}"
    VERBATIM)
  add_custom_target(${target}_signed ALL DEPENDS "${ARG_OUTPUT}")
endfunction()

if(VELLOX_SIGN_CERT AND VELLOX_SIGN_KEY)
  vellox_sign_executable(vellox OUTPUT "${CMAKE_BINARY_DIR}/vellox-signed.exe"
    CERT "${VELLOX_SIGN_CERT}" KEY "${VELLOX_SIGN_KEY}"
    PROGRAM_NAME "${VELLOX_SIGN_PROGRAM_NAME}" MORE_INFO "${VELLOX_SIGN_MORE_INFO}")
endif()
