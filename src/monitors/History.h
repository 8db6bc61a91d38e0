#pragma once

#include <cstdint>
#include <vector>

namespace morvanex {

// The most recent values of one reading, oldest first, for sparklines and small graphs.
struct History {
    std::int64_t capacity = 120;
    std::vector<double> values;

    explicit History(std::int64_t limit = 120) : capacity(limit) {}

    // Appends the value (a non-finite one as 0) and drops the oldest beyond the capacity.
    void add(double value);

    bool operator==(const History&) const = default;
};

} // namespace morvanex
