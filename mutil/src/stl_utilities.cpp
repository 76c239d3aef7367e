#include "stl_utilities.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "errlog.h"

namespace {

constexpr size_t kLocalBufferSize = 1024;

}  // namespace

int stl_string_printf(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int length = stl_string_printf_va(out, format, args);
  va_end(args);
  return length;
}

int stl_string_printf_va(std::string& out, const char* format, va_list args) {
  char local[kLocalBufferSize];
  va_list first_pass;
  va_copy(first_pass, args);
  int length = std::vsnprintf(local, sizeof local, format, first_pass);
  va_end(first_pass);
  if (length < 0) {
    // Some formatters report a truncation as an error: measure with a counting-only pass.
    va_list counting_pass;
    va_copy(counting_pass, args);
    length = std::vsnprintf(nullptr, 0, format, counting_pass);
    va_end(counting_pass);
    if (length < 0) return -1;
  }
  if (static_cast<size_t>(length) < sizeof local) {
    out.assign(local, static_cast<size_t>(length));
    return length;
  }
  const size_t size = static_cast<size_t>(length) + 1;
  std::unique_ptr<char[]> heap(new (std::nothrow) char[size]);
  if (!heap) return -1;
  va_list second_pass;
  va_copy(second_pass, args);
  const int written = std::vsnprintf(heap.get(), size, format, second_pass);
  va_end(second_pass);
  if (written != length) return -1;
  out.assign(heap.get(), static_cast<size_t>(length));
  return length;
}

std::string stl_string_format_va(const char* format, va_list args) {
  std::string text;
  if (stl_string_printf_va(text, format, args) == -1) {
    const int error = errno;
    MERRLOG("%s(): stl_string_format_va() failed: %s", "stl_string_format_va", std::strerror(error));
    text.clear();
  }
  return text;
}

void stl_string_append_int(std::string& text, int value) { text += std::to_string(value); }

void stl_string_cut_comment(std::string& text) {
  size_t start = text.find("//");
  if (start == std::string::npos) start = text.find("/*");
  if (start == std::string::npos) start = text.find(';');
  if (start != std::string::npos) text.erase(start);
}

void stl_string_clean(std::string& text) {
  stl_string_cut_comment(text);
  std::erase_if(text, [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

std::string stl_string_trim(const std::string& text) {
  constexpr const char* kBlanks = " \t";
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::vector<std::string> stl_string_split_words(const std::string& text, const char* separators) {
  std::vector<std::string> words;
  size_t start = text.find_first_not_of(separators);
  while (start != std::string::npos) {
    const size_t end = text.find_first_of(separators, start);
    words.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    start = text.find_first_not_of(separators, end);
  }
  return words;
}
