#include "monitors/History.h"

#include <algorithm>
#include <cmath>

namespace morvanex {

void History::add(double value) {
    values.push_back(std::isfinite(value) ? value : 0.0);
    const auto limit = std::size_t(std::max<std::int64_t>(capacity, 0));
    if (values.size() > limit)
        values.erase(values.begin(), values.begin() + std::ptrdiff_t(values.size() - limit));
}

} // namespace morvanex
