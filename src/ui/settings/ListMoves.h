#pragma once

#include <optional>
#include <set>
#include <vector>

// Reordering of the settings lists (drag and drop, "Move Up", "Move Down").
namespace morvanex::ui::ListMoves {

// The entries at `sources` taken out, keeping their relative order, and put back before the
// entry that stood at `destination` before the move; a destination equal to the count (or
// beyond it) means the end. Offsets outside the list are ignored.
template <typename T>
std::vector<T> move(const std::vector<T>& list, const std::set<int>& sources, int destination) {
    const int count = int(list.size());
    std::vector<T> moved;
    std::vector<T> kept;
    int insertAt = 0; // among the kept entries
    for (int i = 0; i < count; ++i) {
        if (i == destination)
            insertAt = int(kept.size());
        if (sources.count(i))
            moved.push_back(list[std::size_t(i)]);
        else
            kept.push_back(list[std::size_t(i)]);
    }
    if (destination >= count)
        insertAt = int(kept.size());
    if (destination < 0)
        insertAt = 0;
    kept.insert(kept.begin() + insertAt, moved.begin(), moved.end());
    return kept;
}

// The destination that moves the entry at `index` one place by `step` (-1 up, +1 down) in a
// list of `count`: the offset minus one going up, plus two going down. Nothing at the ends,
// for an index outside the list, and for any other step.
std::optional<int> stepDestination(int index, int step, int count);

// The list with the entry at `index` moved one place by `step`, or nothing when it cannot move.
template <typename T>
std::optional<std::vector<T>> step(const std::vector<T>& list, int index, int step) {
    const auto destination = stepDestination(index, step, int(list.size()));
    if (!destination)
        return std::nullopt;
    return ListMoves::move(list, std::set<int>{index}, *destination);
}

} // namespace morvanex::ui::ListMoves
