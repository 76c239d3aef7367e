# Warnings as errors on our own code, for GCC and Clang alike.
add_library(orvex_warnings INTERFACE)
target_compile_options(orvex_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wformat=2 -Werror)

# __FILE__ names sources relative to the repository ("mutil/src/msleep_sec.cpp"),
# which is what the diagnostics report as the reporting place.
add_compile_options("-fmacro-prefix-map=${CMAKE_SOURCE_DIR}/=")
