# Installing like Linux software: the plug-in where hosts look for it
# (lib/vst, the LV2 bundle in lib/lv2, QUOR.clap in lib/clap, the VST3 bundle
# in lib/vst3), the host and its manual page where commands live. `cpack -G DEB`
# in the build folder makes a Debian package of the same.
set(QUOR_VST_DIR lib/vst CACHE STRING "Where the plug-in is installed, under the prefix")

if(TARGET QUOR)
  install(TARGETS QUOR LIBRARY DESTINATION ${QUOR_VST_DIR})
endif()
set(QUOR_LV2_DIR lib/lv2 CACHE STRING "Where the LV2 bundle is installed, under the prefix")
if(TARGET QUOR_lv2)
  install(TARGETS QUOR_lv2 LIBRARY DESTINATION ${QUOR_LV2_DIR}/QUOR.lv2)
  install(FILES ${QUOR_LV2_BUNDLE}/manifest.ttl ${QUOR_LV2_BUNDLE}/QUOR.ttl
                ${QUOR_LV2_BUNDLE}/QUOR-ui.ttl ${QUOR_LV2_BUNDLE}/QUOR-presets.ttl
          DESTINATION ${QUOR_LV2_DIR}/QUOR.lv2)
endif()
set(QUOR_CLAP_DIR lib/clap CACHE STRING "Where QUOR.clap is installed, under the prefix")
if(TARGET QUOR_clap)
  install(TARGETS QUOR_clap LIBRARY DESTINATION ${QUOR_CLAP_DIR})
endif()
set(QUOR_VST3_DIR lib/vst3 CACHE STRING "Where the VST3 bundle is installed, under the prefix")
if(TARGET QUOR_vst3)
  install(TARGETS QUOR_vst3 LIBRARY DESTINATION ${QUOR_VST3_DIR}/QUOR.vst3/Contents/x86_64-linux)
endif()
if(TARGET quor-host)
  install(TARGETS quor-host RUNTIME DESTINATION bin)
  install(FILES ${CMAKE_BINARY_DIR}/quor-host.1 DESTINATION share/man/man1)
endif()

set(CPACK_PACKAGE_NAME quor)
set(CPACK_PACKAGE_VENDOR "QUOR")
set(CPACK_PACKAGE_CONTACT "QUOR developers <quor@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "eight-track mixing console as VST 2.4, VST3, LV2 and CLAP plug-ins, with a command-line host")
set(CPACK_PACKAGE_DESCRIPTION
    "QUOR is an eight-track mixing console for Linux audio workstations: QUOR.so in \
/usr/lib/vst for hosts of VST 2.4 plug-ins, QUOR.vst3 in /usr/lib/vst3 for VST3 hosts, QUOR.lv2 \
in /usr/lib/lv2 for LV2 hosts, QUOR.clap in /usr/lib/clap for CLAP hosts. quor-host renders \
audio and MIDI files through any VST 2.4 plug-in from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PROVIDES "vst-plugin, vst3-plugin, lv2-plugin, clap-plugin")
include(CPack)
