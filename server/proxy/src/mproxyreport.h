// How the proxy reports a failure: the reason goes to the error trace or the error log, then an
// error code or text goes into the channel that the server reads. The macros write the message
// from the calling place first and the channel second. A null channel (the machine's own may be
// unset) receives nothing.
#pragma once

#include <cstdint>
#include <string>

#include "errlog.h"
#include "errtrace.h"
#include "moutputchannel.h"

namespace mproxy_report {

// Writes the error `code`, or the error `text`, into `channel`.
inline void fail(MOutputChannel* channel, uint32_t code) {
  if (channel) channel->Error(code);
}
inline void fail(MOutputChannel* channel, const std::string& text) {
  if (channel) channel->Error(text);
}

// Writes `code` only while `channel` holds no error: a refusing submachine's own explanation
// stays the only one.
inline void fail_unless_failed(MOutputChannel* channel, uint32_t code) {
  if (channel && !channel->HasError()) channel->Error(code);
}

}  // namespace mproxy_report

// An error-trace entry, for the caller that decides to report; then `failure` (a code or a text).
#define MPROXY_TRACE_AND_FAIL(channel, failure, ...) \
  (MERRTRACE(__VA_ARGS__), mproxy_report::fail((channel), (failure)))
// `context` dumped to the error log under the message; then `failure`.
#define MPROXY_DUMP_AND_FAIL(context, channel, failure, ...) \
  (MERRDUMP((context), __VA_ARGS__), mproxy_report::fail((channel), (failure)))
// `context` dumped under the message; then `code` unless the channel holds an error already.
#define MPROXY_DUMP_AND_FAIL_UNLESS_FAILED(context, channel, code, ...) \
  (MERRDUMP((context), __VA_ARGS__), mproxy_report::fail_unless_failed((channel), (code)))
// One error-log entry; then `failure`.
#define MPROXY_LOG_AND_FAIL(channel, failure, ...) \
  (MERRLOG(__VA_ARGS__), mproxy_report::fail((channel), (failure)))
