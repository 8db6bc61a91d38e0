#include "ui/settings/ListMoves.h"

namespace morvanex::ui::ListMoves {

std::optional<int> stepDestination(int index, int step, int count) {
    if (step != -1 && step != 1)
        return std::nullopt;
    if (index < 0 || index >= count)
        return std::nullopt;
    const int target = index + step;
    if (target < 0 || target >= count)
        return std::nullopt;
    return step > 0 ? target + 1 : target;
}

} // namespace morvanex::ui::ListMoves
