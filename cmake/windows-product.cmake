# The Windows side: thin adapters over the platform, the resource script and
# the bootstrapper executable.

enable_language(RC)

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0600 WINVER=0x0600)
set(VELLOX_WINDOWS_LINK_OPTIONS -municode -mwindows -static -Wl,--gc-sections -s)
# The bootstrapper has its own entry point instead of the C runtime's
# start-up objects (see app/entry_win32.cpp). Without those objects nothing
# may need a run-time pseudo-relocation: the link fails if anything would.
# 32-bit symbols carry a leading underscore.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(entry_symbol _VelloxEntry)
else()
  set(entry_symbol VelloxEntry)
endif()
set(VELLOX_PRODUCT_LINK_OPTIONS -mwindows -static -Wl,--gc-sections -s
    -nostartfiles -Wl,-e,${entry_symbol} -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc)

# The libraries the executable may import at load time: all are KnownDLLs or,
# for comctl32, bound to the side-by-side assembly by the manifest. Anything
# else is loaded at run time from the system folder only.
set(VELLOX_SYSTEM_LIBRARIES kernel32 user32 gdi32 advapi32 shell32 ole32 comctl32 shlwapi)

add_library(vellox_win32 STATIC
  app/clock_win32.cpp
  app/code_page_win32.cpp
  app/system_library_win32.cpp
  app/system_paths_win32.cpp
  app/threads_win32.cpp
  launch/process_launcher_win32.cpp
  launch/window_system_win32.cpp
  launch/wow64_api_win32.cpp
  checks/machine_facts_win32.cpp
  checks/registry_win32.cpp
  payload/file_system_win32.cpp
  payload/held_folder_win32.cpp
  payload/resource_store_win32.cpp
  trust/own_module_win32.cpp
  trust/signer_reader_win32.cpp
  trust/trust_verifier_win32.cpp
  ui/about_dlg_win32.cpp
  ui/dialogs_win32.cpp
  ui/framework_win32.cpp
  ui/installer_dlg_win32.cpp
  ui/link_control_win32.cpp
  ui/shell_win32.cpp
  ui/splash_dlg_win32.cpp
  ui/static_ex_win32.cpp
  ui/string_table_win32.cpp
  ui/temp_folder_dlg_win32.cpp
  ui/ui_context_win32.cpp
)
target_link_libraries(vellox_win32 PUBLIC vellox_core ${VELLOX_SYSTEM_LIBRARIES})

# The phase benchmark's marks (app/phase_marks.h): a build folder of the
# benchmark's own turns them on; the product is never built with them.
option(VELLOX_PHASE_MARKS "Record the run's phase marks for bench/run.sh (never for a shipped build)" OFF)
if(VELLOX_PHASE_MARKS)
  target_compile_definitions(vellox_core PUBLIC VELLOX_PHASE_MARKS)
  target_sources(vellox_win32 PRIVATE ${CMAKE_SOURCE_DIR}/app/phase_marks_win32.cpp)
endif()

# The program and its fixed resources (dialogs, pictures, icon, messages,
# application manifest), without payload or build configuration: the stub
# that vellox-pack fills.
#   vellox_add_executable(<name>)
function(vellox_add_executable name)
  add_executable(${name} WIN32
    ${CMAKE_SOURCE_DIR}/app/entry_win32.cpp
    ${CMAKE_SOURCE_DIR}/app/main_win32.cpp
    ${CMAKE_SOURCE_DIR}/app/cxx_runtime_win32.cpp
    ${CMAKE_SOURCE_DIR}/ui/vellox.rc)
  target_link_libraries(${name} PRIVATE vellox_win32)
  # The map names what each part of the program adds to its size.
  target_link_options(${name} PRIVATE ${VELLOX_PRODUCT_LINK_OPTIONS}
    -Wl,-Map=${CMAKE_CURRENT_BINARY_DIR}/${name}.map)
  set_source_files_properties(${CMAKE_SOURCE_DIR}/ui/vellox.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/ui/vellox.manifest;${CMAKE_SOURCE_DIR}/ui/messages.rc;${CMAKE_SOURCE_DIR}/ui/dialogs.rc;${CMAKE_SOURCE_DIR}/ui/resource.h;${CMAKE_SOURCE_DIR}/ui/art/banner.bmp;${CMAKE_SOURCE_DIR}/ui/art/splash.bmp;${CMAKE_SOURCE_DIR}/ui/art/corvane.ico")
endfunction()

# The stub: build/<preset>/vellox-stub.exe.
vellox_add_executable(vellox_stub)
set_target_properties(vellox_stub PROPERTIES OUTPUT_NAME vellox-stub)

include(${CMAKE_CURRENT_LIST_DIR}/bootstrapper.cmake)

# The product built here, build/<preset>/vellox.exe, is the stub packed with
# the demo payload: the fake installer of the end-to-end tests as the
# installer program, with two companion files.
# VELLOX_DEMO_ENTRIES serves other test bootstrappers too.
set(VELLOX_DEMO_PAYLOAD ${CMAKE_SOURCE_DIR}/tests/fixtures/demo_payload)
set(VELLOX_DEMO_ENTRIES
  "102|Tarnwick.Wizard.exe|$<TARGET_FILE:fake_installer>|"
  "103|Tarnwick.Wizard.exe.config|${VELLOX_DEMO_PAYLOAD}/Tarnwick.Wizard.exe.config|"
  "104|ProjectItems.xml|${VELLOX_DEMO_PAYLOAD}/ProjectItems.xml|")
vellox_add_bootstrapper(vellox ENTRIES ${VELLOX_DEMO_ENTRIES} DEPENDS fake_installer)

# vellox-pack for Windows build machines, cross-built from the same sources
# as the host tool: build/<preset>/pack-tool/vellox-pack.exe.
set(VELLOX_WINDOWS_PACK_TOOL ${CMAKE_BINARY_DIR}/pack-tool/vellox-pack.exe)
ExternalProject_Add(vellox_pack_windows
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
  BINARY_DIR ${CMAKE_BINARY_DIR}/pack-tool
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target vellox-pack
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${VELLOX_WINDOWS_PACK_TOOL})

# cmake --install --prefix <dir>: what packing and signing need on a build
# machine without this tree, in <dir>/bin: vellox-pack for Linux and for
# Windows, the stub, vellox-append-info and the signing helper.
install(PROGRAMS ${VELLOX_PACK_TOOL} ${VELLOX_WINDOWS_PACK_TOOL} ${VELLOX_APPEND_INFO_TOOL}
        ${CMAKE_SOURCE_DIR}/tools/sign_bootstrapper.sh DESTINATION bin)
install(TARGETS vellox_stub RUNTIME DESTINATION bin)

include(${CMAKE_CURRENT_LIST_DIR}/signing.cmake)

# Bootstrappers for products of your own, kept outside this tree: a CMake
# file of vellox_add_bootstrapper (and vellox_sign_executable) calls, e.g.
#   cmake --preset win32 -DVELLOX_PRODUCTS=/path/to/products.cmake
set(VELLOX_PRODUCTS "" CACHE FILEPATH "A CMake file of vellox_add_bootstrapper calls for your own products")
if(VELLOX_PRODUCTS)
  include(${VELLOX_PRODUCTS})
endif()
