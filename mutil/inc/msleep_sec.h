// A bounded sleep of the calling thread.
#pragma once

// Sleeps for `seconds` (0 to 2678400, truncated to whole milliseconds) and answers 0; any other
// value does not sleep, adds an error-trace entry and answers -1.
int msleep_sec(double seconds);
