#pragma once

#include <chrono>

namespace morvanex {

// The sampling period to schedule for a stored interval in seconds. The stored value is kept
// as read, but a zero, negative or non-finite one would make a busy or dead timer: those give
// the default of 2 s, tiny ones at least 0.1 s and huge ones at most one day.
std::chrono::milliseconds tickInterval(double seconds);

} // namespace morvanex
