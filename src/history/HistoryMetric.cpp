#include "history/HistoryMetric.h"

namespace morvanex {
namespace {

constexpr bool casesInDeclarationOrder() {
    const auto& cases = EnumCases<HistoryMetric>::cases;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (static_cast<std::size_t>(cases[i].first) != i)
            return false;
    }
    return true;
}
static_assert(casesInDeclarationOrder(), "metricIndex relies on the cases' order");

} // namespace

std::size_t metricIndex(HistoryMetric metric) {
    // The cases are listed in declaration order, so the enumerator's value is its position.
    return static_cast<std::size_t>(metric);
}

std::string_view columnName(HistoryMetric metric) {
    return EnumCases<HistoryMetric>::cases[metricIndex(metric)].second;
}

} // namespace morvanex
