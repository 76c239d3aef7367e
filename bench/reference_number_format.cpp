#include "reference_number_format.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Removes trailing '0' characters, then a trailing '.'.
void strip_fraction_zeros(char* text) {
  size_t length = std::strlen(text);
  while (length > 0 && text[length - 1] == '0') --length;
  if (length > 0 && text[length - 1] == '.') --length;
  text[length] = '\0';
}

}  // namespace

void reference_append_number(std::string& text, double value) {
  char buffer[64];
  if (std::isnan(value)) {
    text += " nan";
  } else if (std::isinf(value)) {
    text += value < 0 ? " -inf" : " inf";
  } else if (value == 0) {
    text += " 0";
  } else if (value >= -2147483648.0 && value <= 2147483647.0 && std::fabs(value) >= 5e-7) {
    double integer = 0;
    double fraction = std::modf(std::fabs(value) + 5e-7, &integer);
    std::snprintf(buffer, sizeof buffer, " %s%u", value < 0 ? "-" : "", static_cast<unsigned>(integer));
    text += buffer;
    if (fraction != 0) {
      char digits[8] = ".";
      for (int i = 1; i <= 6; ++i) {
        fraction *= 10;
        const int digit = static_cast<int>(fraction);
        fraction -= digit;
        digits[i] = static_cast<char>('0' + digit);
      }
      digits[7] = '\0';
      strip_fraction_zeros(digits);
      text += digits;
    }
  } else if (std::fabs(value) < 1e11) {
    std::snprintf(buffer, sizeof buffer, " %.6f", value);
    strip_fraction_zeros(buffer);
    text += buffer;
  } else {
    std::snprintf(buffer, sizeof buffer, " %.17g", value);
    text += buffer;
  }
}

void reference_append_data_line(std::string& text, const std::string& prefix, const std::vector<double>& values) {
  text += prefix;
  text += "data";
  for (double value : values) reference_append_number(text, value);
  text += "\r\n";
}
