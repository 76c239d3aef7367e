// Compiler checking of printf-style arguments for every formatting function of the project.
// MinGW builds use the C99 printf of its ANSI stdio, so the GNU archetype applies there too.
#pragma once

#if defined(__MINGW32__) && !defined(__clang__)
#define M_PRINTF_FORMAT(format_index, first_arg) \
  __attribute__((format(gnu_printf, format_index, first_arg)))
#elif defined(__GNUC__)
#define M_PRINTF_FORMAT(format_index, first_arg) \
  __attribute__((format(printf, format_index, first_arg)))
#else
#define M_PRINTF_FORMAT(format_index, first_arg)
#endif
