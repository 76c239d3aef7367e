# Where an installation puts things. The build tree puts the host and the plug-ins in the same
# places under the build folder, so that the host finds the plug-ins of its own tree, built or
# installed, by one relative path and no absolute path is compiled into anything we install.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

foreach(dir BINDIR LIBDIR INCLUDEDIR DATADIR DOCDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    message(FATAL_ERROR "CMAKE_INSTALL_${dir} must be a relative path: an installation can be moved")
  endif()
endforeach()

if(WIN32)
  set(ORVEX_INSTALL_PLUGINDIR ${CMAKE_INSTALL_BINDIR})  # the Windows loader looks beside the program
else()
  set(ORVEX_INSTALL_PLUGINDIR ${CMAKE_INSTALL_LIBDIR}/orvex/plugins)
endif()
set(ORVEX_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/orvex)
set(ORVEX_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Orvex)
set(ORVEX_INSTALL_EXAMPLESDIR ${CMAKE_INSTALL_DATADIR}/orvex/examples)

set(ORVEX_BUILD_BINDIR ${PROJECT_BINARY_DIR}/${CMAKE_INSTALL_BINDIR})
set(ORVEX_BUILD_PLUGINDIR ${PROJECT_BINARY_DIR}/${ORVEX_INSTALL_PLUGINDIR})

# The plug-in folder as seen from the host's folder ("../lib/orvex/plugins", or "." on Windows).
file(RELATIVE_PATH ORVEX_HOST_TO_PLUGINDIR /${CMAKE_INSTALL_BINDIR} /${ORVEX_INSTALL_PLUGINDIR})
if(ORVEX_HOST_TO_PLUGINDIR STREQUAL "")
  set(ORVEX_HOST_TO_PLUGINDIR .)
endif()

# orvex_sdk_library(<target> <name>): a module library that a submachine plug-in builds on. Its
# inc/ folder is its public include folder in the build and include/orvex in an installation;
# it is installed (component sdk) as liborvex_<name>.a and exported as Orvex::<name>, which is
# also its name here.
function(orvex_sdk_library target name)
  get_target_property(type ${target} TYPE)
  set(scope PUBLIC)
  if(type STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/inc>
                                                $<INSTALL_INTERFACE:${ORVEX_INSTALL_INCLUDEDIR}>)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name} OUTPUT_NAME orvex_${name})
  add_library(Orvex::${name} ALIAS ${target})
  install(TARGETS ${target} EXPORT OrvexTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT sdk)
  install(DIRECTORY inc/ DESTINATION ${ORVEX_INSTALL_INCLUDEDIR} COMPONENT sdk FILES_MATCHING PATTERN "*.h")
endfunction()

# The CMake package of the SDK: find_package(Orvex CONFIG) gives the Orvex:: targets and
# orvex_add_machine_plugin().
function(orvex_install_sdk_package)
  install(EXPORT OrvexTargets NAMESPACE Orvex:: DESTINATION ${ORVEX_INSTALL_CMAKEDIR} COMPONENT sdk)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OrvexConfig.cmake.in
                                ${PROJECT_BINARY_DIR}/OrvexConfig.cmake
                                INSTALL_DESTINATION ${ORVEX_INSTALL_CMAKEDIR}
                                PATH_VARS CMAKE_INSTALL_BINDIR)
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvexConfigVersion.cmake
                                   COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/OrvexConfig.cmake ${PROJECT_BINARY_DIR}/OrvexConfigVersion.cmake
                ${PROJECT_SOURCE_DIR}/cmake/OrvexPlugin.cmake ${PROJECT_SOURCE_DIR}/cmake/orvexplugin.map
                ${PROJECT_SOURCE_DIR}/cmake/OrvexSessionTest.cmake ${PROJECT_SOURCE_DIR}/cmake/OrvexRunSession.cmake
          DESTINATION ${ORVEX_INSTALL_CMAKEDIR} COMPONENT sdk)
endfunction()

# The documentation and the examples: what runs the demo goes with the plug-ins (runtime), what
# helps to write a plug-in with the SDK.
function(orvex_install_docs)
  install(FILES README.md docs/user-guide.md docs/simulated-machine.md
          DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)
  install(FILES docs/plugin-guide.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT sdk)
  install(DIRECTORY examples/ DESTINATION ${ORVEX_INSTALL_EXAMPLESDIR} COMPONENT runtime
          PATTERN "plugin-template" EXCLUDE PATTERN "run-demo.sh" EXCLUDE)
  install(DIRECTORY examples/plugin-template DESTINATION ${ORVEX_INSTALL_EXAMPLESDIR} COMPONENT sdk)
  # For building a plug-in for Windows on Linux, as the template's README shows.
  install(FILES cmake/mingw-w64.cmake DESTINATION ${CMAKE_INSTALL_DATADIR}/orvex/toolchains COMPONENT sdk)
endfunction()
