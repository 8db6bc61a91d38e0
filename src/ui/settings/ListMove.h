#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <vector>

namespace morvanex::ui {

// The list views' reordering: the entries at `sources` (offsets, relative order kept) are moved
// to stand before the entry that was at `destination` before the move; a destination equal to
// the count means the end. Offsets outside the list are ignored, and a destination past the end
// counts as the end.
template <typename T>
std::vector<T> listMove(const std::vector<T>& list, const std::set<std::size_t>& sources,
                        std::size_t destination) {
    std::vector<T> moved;
    std::vector<T> before;
    std::vector<T> after;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (sources.count(i))
            moved.push_back(list[i]);
        else if (i < destination)
            before.push_back(list[i]);
        else
            after.push_back(list[i]);
    }
    before.insert(before.end(), moved.begin(), moved.end());
    before.insert(before.end(), after.begin(), after.end());
    return before;
}

// "Move Up" and "Move Down" as a move: the destination for the entry at `offset` stepped by -1
// or +1, or nothing when the step would leave the list.
inline std::optional<std::size_t> stepDestination(std::size_t offset, int step, std::size_t count) {
    const long long target = static_cast<long long>(offset) + step;
    if (target < 0 || target >= static_cast<long long>(count))
        return std::nullopt;
    return static_cast<std::size_t>(step > 0 ? target + 1 : target);
}

} // namespace morvanex::ui
