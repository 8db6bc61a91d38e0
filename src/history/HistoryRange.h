#pragma once

#include "base/EnumText.h"

#include <cstdint>
#include <string_view>

namespace morvanex {

// The time ranges a history graph or an agent can ask for. The raw value (the case name) is
// the stored form and the id.
enum class HistoryRange { live, hour, day, week, month };

template <> struct EnumCases<HistoryRange> {
    static constexpr std::array cases{std::pair{HistoryRange::live, std::string_view("live")},
                                      std::pair{HistoryRange::hour, std::string_view("hour")},
                                      std::pair{HistoryRange::day, std::string_view("day")},
                                      std::pair{HistoryRange::week, std::string_view("week")},
                                      std::pair{HistoryRange::month, std::string_view("month")}};
};

// What a range reads: the tier table, the width of one result point and how far back it looks.
// The table's own rows are finer than `bucket`, so each point averages several of them.
struct HistoryRangeSource {
    std::string_view table;
    std::int64_t bucket = 0; // seconds per point
    std::int64_t span = 0;   // seconds before now

    // Points a full range can hold: one per bucket plus the partial bucket at the start.
    std::int64_t maxPoints() const { return span / bucket + 1; }
};

HistoryRangeSource source(HistoryRange range);

} // namespace morvanex
