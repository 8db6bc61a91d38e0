#include "ui/settings/ListMoves.h"

#include <gtest/gtest.h>
#include <string>

using namespace morvanex::ui;

namespace {

std::string joined(const std::vector<char>& list) {
    return std::string(list.begin(), list.end());
}

} // namespace

TEST(ListMoves, MoveStandsBeforeTheEntryThatWasAtTheDestination) {
    const std::vector<char> list{'a', 'b', 'c', 'd', 'e'};
    struct Row {
        std::set<int> sources;
        int destination;
        const char* expected;
    };
    const Row rows[] = {
        {{0}, 2, "bacde"},    // down one place: destination is offset plus two
        {{0}, 5, "bcdea"},    // the count means the end
        {{4}, 0, "eabcd"},    // to the front
        {{3}, 2, "abdce"},    // up one place: destination is offset minus one
        {{1, 3}, 0, "bdace"}, // several keep their relative order
        {{0, 4}, 2, "baecd"}, // around the destination
        {{1, 2}, 2, "abcde"}, // onto its own place
        {{2}, 9, "abdec"},    // beyond the end still means the end
        {{7}, 1, "abcde"},    // an offset outside the list moves nothing
        {{}, 3, "abcde"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(joined(ListMoves::move(list, row.sources, row.destination)), row.expected);
    }
}

TEST(ListMoves, StepMovesOnePlaceAndStopsAtTheEnds) {
    struct Row {
        int index;
        int step;
        std::optional<int> destination;
    };
    const Row rows[] = {
        {2, 1, 4},
        {3, -1, 2},
        {0, -1, std::nullopt},
        {4, 1, std::nullopt},
        {0, 1, 2},
        {4, -1, 3},
        {-1, 1, std::nullopt},
        {5, -1, std::nullopt},
        {2, 2, std::nullopt},
        {2, 0, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.index) + " by " + std::to_string(row.step));
        EXPECT_EQ(ListMoves::stepDestination(row.index, row.step, 5), row.destination);
    }
    const std::vector<char> list{'a', 'b', 'c', 'd', 'e'};
    EXPECT_EQ(joined(*ListMoves::step(list, 2, 1)), "abdce");
    EXPECT_EQ(joined(*ListMoves::step(list, 3, -1)), "abdce");
    EXPECT_FALSE(ListMoves::step(list, 0, -1));
    EXPECT_FALSE(ListMoves::step(std::vector<char>{}, 0, 1));
}
