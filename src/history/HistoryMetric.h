#pragma once

#include "base/EnumText.h"

#include <cstddef>
#include <string_view>

namespace morvanex {

// The metrics the history database records, one REAL column each. The raw value is the
// column name and also the metric's name towards agents; every statement that names all the
// columns names them in this order.
enum class HistoryMetric {
    cpuUser,
    cpuSystem,
    gpu,
    memoryPressure,
    memoryUsed,
    diskRead,
    diskWrite,
    download,
    upload,
    temperature,
    fan,
    battery,
    power
};

template <> struct EnumCases<HistoryMetric> {
    static constexpr std::array cases{
        std::pair{HistoryMetric::cpuUser, std::string_view("cpu_user")},
        std::pair{HistoryMetric::cpuSystem, std::string_view("cpu_system")},
        std::pair{HistoryMetric::gpu, std::string_view("gpu")},
        std::pair{HistoryMetric::memoryPressure, std::string_view("mem_pressure")},
        std::pair{HistoryMetric::memoryUsed, std::string_view("mem_used")},
        std::pair{HistoryMetric::diskRead, std::string_view("disk_read")},
        std::pair{HistoryMetric::diskWrite, std::string_view("disk_write")},
        std::pair{HistoryMetric::download, std::string_view("net_down")},
        std::pair{HistoryMetric::upload, std::string_view("net_up")},
        std::pair{HistoryMetric::temperature, std::string_view("temperature")},
        std::pair{HistoryMetric::fan, std::string_view("fan")},
        std::pair{HistoryMetric::battery, std::string_view("battery")},
        std::pair{HistoryMetric::power, std::string_view("power")}};
};

inline constexpr std::size_t historyMetricCount = EnumCases<HistoryMetric>::cases.size();

// Position of the metric in allCases<HistoryMetric>().
std::size_t metricIndex(HistoryMetric metric);

// The SQL column name (the raw value) without conversion to QString.
std::string_view columnName(HistoryMetric metric);

} // namespace morvanex
