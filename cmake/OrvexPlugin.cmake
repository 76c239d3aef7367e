# orvex_add_machine_plugin(<target> SOURCES <files...> [LIBS <targets...>]): a machine plug-in,
# a shared library that the server loads at run time and that exports NewMMachAbstract, IsProxy
# and SetDefaultTracelevel and nothing else. Used for our own plug-ins and, installed with the
# SDK, for anyone else's.
function(orvex_add_machine_plugin name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Orvex::plugin Orvex::machine ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    set_target_properties(${name} PROPERTIES PREFIX "")
    if(MINGW)
      target_link_options(${name} PRIVATE -static)  # no MinGW runtime DLL needed beside it
    endif()
  else()
    # Without the script the standard library's template instances would be exported as well.
    set(version_script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/orvexplugin.map)
    target_link_options(${name} PRIVATE "LINKER:--version-script=${version_script}" "LINKER:--no-undefined")
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${version_script})
  endif()
endfunction()
