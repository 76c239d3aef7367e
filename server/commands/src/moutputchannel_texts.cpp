#include "moutputchannel_texts.h"

#include <cstdio>

namespace {

// Indexed by code; an empty entry has no text of its own.
constexpr std::string_view kErrorTexts[] = {
    {},                                                    // 0: none
    R"(error "syntax invalid")",                           // 1
    R"(error "missing argument")",                         // 2
    R"(error "invalid argument")",                         // 3
    R"(error "invalid axis")",                             // 4
    R"(error "unknown axis")",                             // 5
    R"(error "no axis specified")",                        // 6
    R"(error "unknown component")",                        // 7
    R"(error "invalid component")",                        // 8
    R"(error "argument out of range")",                    // 9
    R"(error "aborted")",                                  // 10
    R"(error "transaction: t-id missing")",                // 11
    R"(error "transaction: t-id invalid")",                // 12
    R"(error "t-id unused")",                              // 13
    R"(error "transaction: command missing or invalid")",  // 14
    R"(error "transaction: command unknown")",             // 15
    R"(error "internal error")",                           // 16
    R"(error "not implemented")",                          // 17
    R"(error "wrong state")",                              // 18
    R"(error "command already active")",                   // 19
    R"(error "undefined probesystem")",                    // 20
    R"(error "undefined probesystem id")",                 // 21
    R"(error "probesystem not loaded")",                   // 22
    R"(error "probesystem not supported")",                // 23
    R"(error "probesystem already defined")",              // 24
    R"(error "unknown probesystem")",                      // 25
    R"(error "undefined probe")",                          // 26
    R"(error "undefined tip")",                            // 27
    R"(error "invalid probe number")",                     // 28
    R"(error "invalid tip number")",                       // 29
    R"(error "tip already defined")",                      // 30
    R"(error "can't delete active probe")",                // 31
    R"(error "probe already loaded")",                     // 32
    R"(error "probe already unloaded")",                   // 33
    R"(error "probe not in magazine")",                    // 34
    R"(error "probe not loaded")",                         // 35
    R"(error "no probe changer")",                         // 36
    R"(error "invalid magazine slot")",                    // 37
    R"(error "slot already free")",                        // 38
    R"(error "slot already in use")",                      // 39
    R"(error "probe already in different slot")",          // 40
    R"(error "too many points")",                          // 41
    R"(error "probe: no contact")",                        // 42
    R"(error "machine: emergency")",                       // 43
    R"(error "machine: not initialized")",                 // 44
    R"(error "buffer overrun")",                           // 45
    R"(error "keypad: enabled")",                          // 46
    R"(error "keypad: disabled")",                         // 47
    R"(error "can't access shared memory")",               // 48
    R"(error "shared memory too small")",                  // 49
    R"(error "no imagefifo active")",                      // 50
};
constexpr std::string_view kWarningTexts[] = {
    R"(warning "machine: emergency")",          // 10000
    R"(warning "machine: not initialized")",    // 10001
    R"(warning "argument out of range")",       // 10002
    R"(warning "ambiguous tip, using first")",  // 10003
    R"(warning "operation with no effect")",    // 10004
};
constexpr std::string_view kEventTexts[] = {
    {},                                                             // 0: none
    R"(event "capabilities changed")",                              // 1
    R"(event "keypad: changed")",                                   // 2
    R"(event "measurement begin")",                                 // 3
    R"(event "preview begin")",                                     // 4
    R"(event "probesystem changed")",                               // 5
    R"(event "probe: loaded")",                                     // 6
    R"(event "probe: unloaded")",                                   // 7
    R"(event "machine changed")",                                   // 8
    R"(event "probe: contact")",                                    // 9
    R"(event "probe: contact lost")",                               // 10
    R"(event "movement: begin")",                                   // 11
    R"(event "movement: end")",                                     // 12
    R"(event "measurement: end")",                                  // 13
    R"(event "keypad: enabled")",                                   // 14
    R"(event "keypad: disabled")",                                  // 15
    R"(event "service: maintenance rate exceeded")",                // 16
    R"(event "keypad: key-start")",                                 // 17
    R"(event "keypad: key-stop")",                                  // 18
    R"(event "keypad: key-monitor")",                               // 19
    R"(event "keypad: key-enable x z")",                            // 20
    R"(event "keypad: key-disable x z")",                           // 21
    R"(event "keypad: key-enable z")",                              // 22
    R"(event "keypad: key-enable c hb")",                           // 23
    R"(event "keypad: key-disable c hb")",                          // 24
    R"(event "keypad: key-enable y")",                              // 25
    R"(event "keypad: key-disable y")",                             // 26
    R"(event "keypad: key-enable c sw")",                           // 27
    R"(event "keypad: key-disable c sw")",                          // 28
    R"(event "keypad: key-movezero z+")",                           // 29
    R"(event "keypad: key-movezero z-")",                           // 30
    R"(event "keypad: key-movezero x+")",                           // 31
    R"(event "keypad: key-movezero x-")",                           // 32
    R"(event "keypad: key-get value")",                             // 33
    R"(event "keypad: key-zero x")",                                // 34
    R"(event "keypad: key-zero z")",                                // 35
    R"(event "keypad: key-1")",                                     // 36
    R"(event "keypad: key-2")",                                     // 37
    R"(event "keypad: key-3")",                                     // 38
    R"(event "keypad: key-4")",                                     // 39
    R"(event "keypad: key-5")",                                     // 40
    R"(event "keypad: key-6")",                                     // 41
    R"(event "keypad: key-7")",                                     // 42
    R"(event "keypad: key-8")",                                     // 43
    R"(event "keypad: emergency active")",                          // 44
    R"(event "keypad: emergency passive")",                         // 45
    R"(event "keypad: key-enable tailstock")",                      // 46
    R"(event "keypad: key-disable tailstock")",                     // 47
    R"(event "keypad: key-zfree")",                                 // 48
    R"(event "keypad: key-dyn")",                                   // 49
    R"(event "keypad: key-mv")",                                    // 50
    R"(event "keypad: key-enable x")",                              // 51
    R"(event "spindle clamped")",                                   // 52
    R"(event "spindle unclamped")",                                 // 53
    R"(event "pedal value")",                                       // 54
    R"(event "spin: changed")",                                     // 55
    R"(event "air: pressure active")",                              // 56
    R"(event "air: pressure passive")",                             // 57
    R"(event "keypad: key-enable x+")",                             // 58
    R"(event "keypad: key-enable x-")",                             // 59
    R"(event "keypad: key-enable z+")",                             // 60
    R"(event "keypad: key-enable z-")",                             // 61
    R"(event "spectrel: there is data to read from application")",  // 62
    R"(event "door open")",                                         // 63
    R"(event "door closed")",                                       // 64
    R"(event "keypad: key-enable c")",                              // 65
    R"(event "keypad: key-enable hb")",                             // 66
    R"(event "keypad: key-enable sw")",                             // 67
    {},                                                             // 68: none
    R"(event "keypad: key-disable")",                               // 69
    R"(event "keypad: key-enable z/hw")",                           // 70
    R"(event "keypad: key-enable x/z/hb")",                         // 71
    R"(event "keypad: key-movezero hb+")",                          // 72
    R"(event "keypad: key-movezero hb-")",                          // 73
    R"(event "keypad: key-disable x/z/hb")",                        // 74
    R"(event "keypad: key-enable ty")",                             // 75
    R"(event "keypad: key-disable ty")",                            // 76
    R"(event "keypad: key-level")",                                 // 77
    R"(event "keypad: key-ok")",                                    // 78
    R"(event "keypad: key-enable")",                                // 79
    R"(event "keypad: key-enable z/ty")",                           // 80
    R"(event "keypad: key-disable x")",                             // 81
    R"(event "keypad: key-disable z/ty")",                          // 82
    R"(event "keypad: key-disable hb")",                            // 83
    R"(event "keypad: key-disable z")",                             // 84
    R"(event "keypad: key-dmc")",                                   // 85
    {},                                                             // 86: none
    {},                                                             // 87: none
    R"(event "keypad: key-enable x1")",                             // 88
    R"(event "keypad: key-enable x2")",                             // 89
    R"(event "keypad: key-enable z/c")",                            // 90
    R"(event "keypad: key-enable y/hb")",                           // 91
    R"(event "keypad: key-disable x1")",                            // 92
    R"(event "keypad: key-disable x2")",                            // 93
    R"(event "keypad: key-disable z/c")",                           // 94
    R"(event "keypad: key-disable y/hb")",                          // 95
    R"(event "start/stop")",                                        // 96
};

constexpr int32_t kFirstWarning = 10000;

// One buffer per table for the texts of unknown codes, shared by every channel of the process.
char unknown_error_text[256];
char unknown_warning_text[256];
char unknown_event_text[256];

template <std::size_t N>
std::string_view known(const std::string_view (&table)[N], int64_t index) {
  return index >= 0 && index < static_cast<int64_t>(N) ? table[index] : std::string_view();
}

std::string_view formed(const char (&buffer)[256], int length) {
  return std::string_view(buffer, length < 0 ? 0 : static_cast<std::size_t>(length));
}

}  // namespace

std::string_view MOutputChannel_ErrorText(int32_t code) {
  const std::string_view text = known(kErrorTexts, code);
  if (!text.empty()) return text;
  return formed(unknown_error_text, std::snprintf(unknown_error_text, sizeof unknown_error_text,
                                                  "error \"unknown error number %d\"", code));
}

std::string_view MOutputChannel_WarningText(int32_t code) {
  const std::string_view text = known(kWarningTexts, int64_t{code} - kFirstWarning);
  if (!text.empty()) return text;
  return formed(unknown_warning_text,
                std::snprintf(unknown_warning_text, sizeof unknown_warning_text,
                              "warning \"unknown warning number %d\"", code));
}

std::string_view MOutputChannel_EventText(int32_t code) {
  const std::string_view text = known(kEventTexts, code);
  if (!text.empty()) return text;
  return formed(unknown_event_text, std::snprintf(unknown_event_text, sizeof unknown_event_text,
                                                  "event \"unknown event number %d\"", code));
}
