// Reporting helpers shared by the command factories of the proxy machine: one per recurring way
// a factory gives up. Each writes its message (printf-style, from the calling place through the
// macros below), sets the error code in the server's channel as the policy says, and the factory
// then answers null.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

#include "errlog.h"
#include "errtrace.h"
#include "moutputchannel.h"
#include "mprintfformat.h"
#include "stl_utilities.h"

// Where the error code goes.
enum class MProxyErrorPolicy {
  kIfNone,  // only when the channel holds no error yet (a submachine may have written one)
  kAlways,
  kNever,
};

namespace mproxy_frame {

inline void set_error(MOutputChannel* output, uint32_t code, MProxyErrorPolicy policy) {
  if (policy == MProxyErrorPolicy::kAlways ||
      (policy == MProxyErrorPolicy::kIfNone && !output->HasError())) {
    output->Error(code);
  }
}

// "T": the context's entries headed by the message go to the error log, then the code.
inline void dump_failure(MErrTraceContext& context, MOutputChannel* output, uint32_t code,
                         MProxyErrorPolicy policy, const char* file, int line, const char* format,
                         ...) M_PRINTF_FORMAT(7, 8);
inline void dump_failure(MErrTraceContext& context, MOutputChannel* output, uint32_t code,
                         MProxyErrorPolicy policy, const char* file, int line, const char* format,
                         ...) {
  va_list args;
  va_start(args, format);
  const std::string text = stl_string_format_va(format, args);
  va_end(args);
  context.DumpToMErrLog(file, line, "%s", text.c_str());
  set_error(output, code, policy);
}

// "L": one direct error-log entry, then the code.
inline void log_failure(MOutputChannel* output, uint32_t code, MProxyErrorPolicy policy,
                        const char* file, int line, const char* format, ...) M_PRINTF_FORMAT(6, 7);
inline void log_failure(MOutputChannel* output, uint32_t code, MProxyErrorPolicy policy,
                        const char* file, int line, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = stl_string_format_va(format, args);
  va_end(args);
  _MErrLog_Location(0, file, line);
  _MErrLog_Add("%s", text.c_str());
  set_error(output, code, policy);
}

}  // namespace mproxy_frame

// The failure policy of a refused sub-command or a failed splitter: T, then error 16 ("internal
// error") unless the channel already holds an error.
#define MPROXY_FAIL_T(context, output, ...)                                                  \
  mproxy_frame::dump_failure((context), (output), 16, MProxyErrorPolicy::kIfNone, __FILE__, \
                             __LINE__, __VA_ARGS__)
// T with an explicit code and policy.
#define MPROXY_FAIL_T_CODE(context, output, code, policy, ...) \
  mproxy_frame::dump_failure((context), (output), (code), (policy), __FILE__, __LINE__, __VA_ARGS__)
// L, then `code` in the channel whatever it holds.
#define MPROXY_FAIL_L(output, code, ...) \
  mproxy_frame::log_failure((output), (code), MProxyErrorPolicy::kAlways, __FILE__, __LINE__, __VA_ARGS__)
// L alone: the channel is left as it is.
#define MPROXY_FAIL_L_NOCODE(output, ...) \
  mproxy_frame::log_failure((output), 0, MProxyErrorPolicy::kNever, __FILE__, __LINE__, __VA_ARGS__)
