// Yardstick for the data lines of the output channel: the same line, written the plain way with
// snprintf for every number.
#pragma once

#include <string>
#include <vector>

// Appends one value as a data line writes it, leading blank included.
void reference_append_number(std::string& text, double value);
// Appends `prefix` + "data" + every value + CR LF.
void reference_append_data_line(std::string& text, const std::string& prefix, const std::vector<double>& values);
