// The vocabulary of the output channel: the complete text written after a line's prefix for an
// error, warning or event code, e.g. `error "unknown axis"`.
#pragma once

#include <cstdint>
#include <string_view>

// A code outside a table gets "unknown <kind> number <code>", formed in a process-wide buffer of
// that table: the view stays valid only until the next unknown code of the same table is looked up.
std::string_view MOutputChannel_ErrorText(int32_t code);
std::string_view MOutputChannel_WarningText(int32_t code);
std::string_view MOutputChannel_EventText(int32_t code);
