# Platform selection: every module picks its *_win32.cpp or *_posix.cpp through ORVEX_PLATFORM.
if(WIN32)
  set(ORVEX_PLATFORM win32)
  # <windows.h> without its rarely used parts and without the min and max macros, for every file
  # (MinGW's C++ library defines NOMINMAX as well, with the same value).
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)
  # printf-family functions follow C99 on MinGW, so "%zu" prints as on Linux.
  add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)
  # Test binaries and tools run under Wine without the MinGW runtime DLLs.
  add_link_options(-static)
else()
  set(ORVEX_PLATFORM posix)
endif()
