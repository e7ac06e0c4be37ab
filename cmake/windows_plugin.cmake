# The plug-in DLL, Veltrix.asi, for the host's script-hook library.
#
# Included from the top-level CMakeLists.txt when cross-building for Windows.

if(NOT CMAKE_DLLTOOL)
    find_program(CMAKE_DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)
endif()

# The host library ships no import library we could use: generate one from a
# .def, whose "plain == decorated" lines let the code call plain extern "C"
# names while the import table names the library's decorated exports.
# Defines the target <target> that produces <output>.
function(veltrix_host_import_library target def output)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-lib ${output}
        DEPENDS ${def}
        COMMENT "Generating ${output} from ${def}"
        VERBATIM)
    add_custom_target(${target} DEPENDS ${output})
endfunction()

set(VELTRIX_HOST_IMPLIB ${CMAKE_BINARY_DIR}/libScriptHookRDR2.a)
veltrix_host_import_library(scripthook_implib
    ${CMAKE_SOURCE_DIR}/src/host/ScriptHookRDR2.def ${VELTRIX_HOST_IMPLIB})

# The DLL is dropped alone into the game folder: the C++ runtime and the
# thread library are linked in, nothing is exported, and the image is
# relocatable with high-entropy ASLR and non-executable data.
set(VELTRIX_PLUGIN_LINK_OPTIONS
    -static
    -Wl,--exclude-all-symbols
    -Wl,--dynamicbase,--high-entropy-va,--nxcompat
    $<$<CONFIG:Release>:-s>
)

# The plug-in: the core behind the library entry point. A function so the
# binary checks can build copies that each break one rule on purpose.
function(veltrix_plugin target implib_target implib)
    add_library(${target} SHARED
        ${CMAKE_SOURCE_DIR}/src/host/entry.cpp
        ${CMAKE_SOURCE_DIR}/src/host/key_state.cpp
    )
    add_dependencies(${target} ${implib_target})
    # A full path, so a regenerated import library also relinks the DLL.
    target_link_libraries(${target} PRIVATE veltrix_core ${implib} user32)
    set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX ".asi")
    target_link_options(${target} PRIVATE ${ARGN})
endfunction()

veltrix_plugin(Veltrix scripthook_implib ${VELTRIX_HOST_IMPLIB} ${VELTRIX_PLUGIN_LINK_OPTIONS})
# The shipped binaries carry the project version as a VERSIONINFO resource,
# with the file's type (VFT_DLL, VFT_APP), its description and its name.
enable_language(RC)
function(veltrix_version_resource target type description file)
    get_filename_component(name ${file} NAME_WE)
    configure_file(${CMAKE_SOURCE_DIR}/src/host/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc)
endfunction()
veltrix_version_resource(Veltrix VFT_DLL "Veltrix projectile cameras (script plug-in)" Veltrix.asi)
# A DLL is a runtime artefact on Windows; keep it at the top of the tree.
set_target_properties(Veltrix PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Puts a copy of Veltrix.asi beside a stand-in host and its driver, which load
# both libraries by bare name from their own folder.
function(veltrix_plugin_beside target host driver)
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/Veltrix.asi)
    add_custom_command(
        OUTPUT ${copy}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Veltrix> ${copy}
        DEPENDS Veltrix
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${copy})
    add_dependencies(${target} ${host} ${driver})
endfunction()

# Stand-in host, smoke driver and the deliberately faulty builds, all checked
# by the native test suite.
add_subdirectory(tests/windows ${CMAKE_BINARY_DIR}/standin)

# Stand-in host built from the simulator, and the driver that plays the
# end-to-end scenarios against the plug-in under Wine.
add_subdirectory(tests/e2e ${CMAKE_BINARY_DIR}/e2e)

# The number conversion over a corpus, held against the C runtime's std::stof.
add_subdirectory(tests/float_reader ${CMAKE_BINARY_DIR}/float_reader)

# veltrix-check.exe, the settings check for modders, shipped in the release.
add_subdirectory(tools/veltrix_check ${CMAKE_BINARY_DIR}/check)
