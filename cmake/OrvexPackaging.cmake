# Packages with CPack: on Linux one .tar.gz of the whole installation and two .deb packages,
# "orvex" (component runtime: the host, the plug-ins, the user documentation and the demo) and
# "orvex-dev" (component sdk: headers, static libraries, the CMake package, the plug-in guide and
# template); on Windows one .zip.
set(CPACK_PACKAGE_NAME orvex)
set(CPACK_PACKAGE_VENDOR "Orvex")
set(CPACK_PACKAGE_CONTACT "Orvex team <orvex@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_INSTALL_DIRECTORY orvex)
set(CPACK_COMPONENTS_ALL runtime sdk)
set(CPACK_COMPONENT_RUNTIME_DISPLAY_NAME "Host and plug-ins")
set(CPACK_COMPONENT_SDK_DISPLAY_NAME "SDK for machine plug-ins")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "The Orvex proxy machine plug-in, which presents several machines of a coordinate-measuring
instrument as one, with the simulated-machine plug-in, the host program mmachhost, the user
guide and a demo instrument.")
set(CPACK_COMPONENT_SDK_DESCRIPTION
    "Headers, static libraries and the CMake package (find_package(Orvex)) for writing a machine
plug-in that works behind the Orvex proxy machine, with the plug-in guide and a plug-in template.")
set(CPACK_COMPONENT_SDK_DEPENDS runtime)
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME orvex)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12)")
  set(CPACK_DEBIAN_SDK_PACKAGE_NAME orvex-dev)
  set(CPACK_DEBIAN_SDK_PACKAGE_SECTION libdevel)
endif()

include(CPack)
