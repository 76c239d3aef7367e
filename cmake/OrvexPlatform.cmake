# Platform selection: every module picks its *_win32.cpp or *_posix.cpp through ORVEX_PLATFORM.
if(WIN32)
  set(ORVEX_PLATFORM win32)
  # printf-family functions follow C99 on MinGW, so "%zu" prints as on Linux.
  add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)
  # Test binaries and tools run under Wine without the MinGW runtime DLLs.
  add_link_options(-static)
else()
  set(ORVEX_PLATFORM posix)
endif()
