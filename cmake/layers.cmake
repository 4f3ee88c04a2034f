# The project's layers and what each may use: the one place this rule lives.
# Each layer's library exposes only its own headers, as "layer/file.h", and
# links only the layers listed here, so an include that climbs the layering
# does not compile. The `layering` test checks the include graph against the
# same table and names the offending file.
set(QUOR_LAYERS raster engine framework vst2 lv2 clap vst3 editor platform plugin)
set(QUOR_LAYER_USES_raster "")
set(QUOR_LAYER_USES_engine "")
set(QUOR_LAYER_USES_framework "")
set(QUOR_LAYER_USES_vst2 framework)
set(QUOR_LAYER_USES_lv2 framework)
set(QUOR_LAYER_USES_clap framework)
set(QUOR_LAYER_USES_vst3 framework)
set(QUOR_LAYER_USES_editor framework raster)
set(QUOR_LAYER_USES_platform editor)
set(QUOR_LAYER_USES_plugin raster engine framework editor platform)

# Each plug-in format's entry points: files beside the plug-in's layer,
# outside its library, built into the shared object hosts load (and, for
# LV2, into the tool that writes the bundle's description); the only files
# that may use both the plug-in and the format's adapter.
set(QUOR_ENTRIES vst2 lv2 clap vst3)
set(QUOR_ENTRY_FILES_vst2 src/plugin/vst2_entry.cpp)
set(QUOR_ENTRY_USES_vst2 plugin vst2)
set(QUOR_ENTRY_FILES_lv2 src/plugin/lv2_entry.cpp src/plugin/lv2_bundle.cpp)
set(QUOR_ENTRY_USES_lv2 plugin lv2)
set(QUOR_ENTRY_FILES_clap src/plugin/clap_entry.cpp)
set(QUOR_ENTRY_USES_clap plugin clap)
set(QUOR_ENTRY_FILES_vst3 src/plugin/vst3_entry.cpp)
set(QUOR_ENTRY_USES_vst3 plugin vst3)

# Headers of LAYER become visible as "LAYER/file.h" through a directory that
# holds nothing but a link to the layer's folder.
function(quor_layer_include_dir layer out)
  set(dir ${CMAKE_BINARY_DIR}/layers/${layer})
  if(NOT EXISTS ${dir}/${layer})
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${layer} ${dir}/${layer} SYMBOLIC)
  endif()
  set(${out} ${dir} PARENT_SCOPE)
endfunction()

# quor_add_layer(LAYER sources...): the static library quor_LAYER.
function(quor_add_layer layer)
  add_library(quor_${layer} STATIC ${ARGN})
  quor_layer_include_dir(${layer} dir)
  target_include_directories(quor_${layer} PUBLIC ${dir})
  foreach(used IN LISTS QUOR_LAYER_USES_${layer})
    if(TARGET quor_${used})
      target_link_libraries(quor_${layer} PUBLIC quor_${used})
    endif()
  endforeach()
endfunction()

# Writes the table for the layering test.
function(quor_write_layer_table path)
  set(text "")
  foreach(layer IN LISTS QUOR_LAYERS)
    string(APPEND text "set(QUOR_LAYER_USES_${layer} \"${QUOR_LAYER_USES_${layer}}\")\n")
  endforeach()
  string(APPEND text "set(QUOR_LAYERS \"${QUOR_LAYERS}\")\n")
  foreach(entry IN LISTS QUOR_ENTRIES)
    string(APPEND text "set(QUOR_ENTRY_FILES_${entry} \"${QUOR_ENTRY_FILES_${entry}}\")\n")
    string(APPEND text "set(QUOR_ENTRY_USES_${entry} \"${QUOR_ENTRY_USES_${entry}}\")\n")
  endforeach()
  string(APPEND text "set(QUOR_ENTRIES \"${QUOR_ENTRIES}\")\n")
  file(WRITE ${path} "${text}")
endfunction()
