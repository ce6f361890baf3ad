#include "ui/Layout.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

namespace {

using Placements = std::vector<std::array<LONG, 5>>;  // control id, left, top, right, bottom

constexpr std::uint32_t kShared = kLayoutShareX | kLayoutStretchX;

// Each table, the extra width and height, and the placements in the order
// ComputeLayout makes them.
TEST(ui_layout, PlacesByTheTable)
{
    const std::tuple<std::vector<LayoutRule>, int, int, Placements> cases[] = {
        // An OK button that follows the bottom-right corner, handled first,
        // then two lists sharing the width by weight.
        {{{0x10000000, 0, kLayoutRightX | kLayoutBottomY, 1, {200, 300, 260, 320}},
          {0x20000000, 1, kShared | kLayoutStretchY, 2, {10, 10, 100, 280}},
          {0x30000000, 1, kShared | kLayoutStretchY, 3, {110, 10, 200, 280}}},
         100,
         40,
         {{1, 300, 340, 360, 360}, {2, 10, 10, 150, 320}, {3, 160, 10, 300, 320}}},
        // Odd centring shares truncate toward zero.
        {{{0x10000000, 0, kLayoutCentreX | kLayoutCentreY, 7, {10, 10, 20, 20}}}, 5, -5, {{7, 12, 8, 22, 18}}},
        // Weights that add up to 0 share nothing instead of dividing by zero.
        {{{0x10000000, 0, kShared | kLayoutShareY | kLayoutStretchY, 1, {0, 0, 10, 10}}}, 50, 50, {{1, 0, 0, 10, 10}}},
        // A grouping cell of weight 1 beside one of weight 3 hands its children
        // a quarter of the width and pushes the cell after it by that much.
        // 0x10100000 is reached by no level: never placed, its weight counts nowhere.
        {{{0x11000000, 0, kLayoutStretchX, 11, {0, 0, 50, 10}},
          {0x10100000, 1000, kLayoutStretchX, 99, {0, 0, 5, 5}},
          {0x10000000, 1, kLayoutShareX, 0, {}},
          {0x20000000, 3, kLayoutShareX | kLayoutRightX, 20, {60, 0, 80, 10}},
          {0x12000000, 0, kLayoutRightX, 12, {40, 20, 50, 30}}},
         400,
         0,
         {{11, 0, 0, 150, 10}, {12, 140, 20, 150, 30}, {20, 460, 0, 480, 10}}},
    };
    for (auto [table, dw, dh, expected] : cases) {
        table.push_back({});  // the terminator
        Placements placed;
        ComputeLayout(table.data(), 0, 0, 0, 0, dw, dh, [&placed](const LayoutRule& rule, const RECT& r) {
            placed.push_back({rule.controlId, r.left, r.top, r.right, r.bottom});
        });
        EXPECT_EQ(placed, expected) << "first control " << table[0].controlId;
    }
}

}  // namespace
