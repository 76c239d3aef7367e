// printf-style formatting into std::string, and the clean-up and splitting of configuration values.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

#include "mprintfformat.h"

// Formats into `out`, replacing its contents; answers the number of characters, or -1 when the
// format cannot be applied (then `out` is unchanged).
int stl_string_printf(std::string& out, const char* format, ...) M_PRINTF_FORMAT(2, 3);
int stl_string_printf_va(std::string& out, const char* format, va_list args) M_PRINTF_FORMAT(2, 0);
// A new string formatted by stl_string_printf_va; empty (and an error-log entry) on failure.
std::string stl_string_format_va(const char* format, va_list args) M_PRINTF_FORMAT(1, 0);
// Appends the decimal text of `value`.
void stl_string_append_int(std::string& text, int value);
// Removes a trailing comment: from the first "//", else the first "/*", else the first ';'.
void stl_string_cut_comment(std::string& text);
// Cuts the comment, then removes every white-space character of the whole string.
void stl_string_clean(std::string& text);
// The text without leading and trailing blanks and tabs.
std::string stl_string_trim(const std::string& text);
// The words of `text` between runs of `separators` (by default blanks, tabs and commas).
std::vector<std::string> stl_string_split_words(const std::string& text,
                                                const char* separators = " \t,");
