#include "ui/Layout.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Placement = std::array<LONG, 5>;  // control id, left, top, right, bottom
using Placements = std::vector<Placement>;

// Where ComputeLayout puts each control, in the order it places them.
Placements Compute(std::vector<LayoutRule> table, int dw, int dh)
{
    table.push_back({});
    Placements placed;
    ComputeLayout(table.data(), 0, 0, 0, 0, dw, dh, [&placed](const LayoutRule& rule, const RECT& r) {
        placed.push_back({rule.controlId, r.left, r.top, r.right, r.bottom});
    });
    return placed;
}

TEST(ui_layout, WorkedExample)
{
    const std::vector<LayoutRule> table = {
        {0x10000000, 0, 0x33, 1, {200, 300, 260, 320}},
        {0x20000000, 1, 0x1044, 2, {10, 10, 100, 280}},
        {0x30000000, 1, 0x1044, 3, {110, 10, 200, 280}},
    };
    EXPECT_EQ(Compute(table, 100, 40),
              (Placements{{1, 300, 340, 360, 360}, {2, 10, 10, 150, 320}, {3, 160, 10, 300, 320}}));
    // Listed last, the button is pushed by both shares as well.
    EXPECT_EQ(Compute({table[1], table[2], table[0]}, 100, 40).back(), (Placement{1, 400, 340, 460, 360}));
}

TEST(ui_layout, SharesAndCentring)
{
    // Odd centring shifts truncate toward zero.
    const LayoutRule centred{0x10000000, 0, kLayoutCentreX | kLayoutCentreY, 7, {10, 10, 20, 20}};
    EXPECT_EQ(Compute({centred}, 5, -5), (Placements{{7, 12, 8, 22, 18}}));
    EXPECT_EQ(Compute({centred}, -5, 5), (Placements{{7, 8, 12, 18, 22}}));
    // Three equal shares of 10 get 3 each; the pixel left over goes nowhere.
    const std::uint32_t share = kLayoutShareX | kLayoutStretchX;
    EXPECT_EQ(Compute({{0x10000000, 1, share, 1, {0, 0, 10, 10}},
                       {0x20000000, 1, share, 2, {10, 0, 20, 10}},
                       {0x30000000, 1, share, 3, {20, 0, 30, 10}}},
                      10, 0),
              (Placements{{1, 0, 0, 13, 10}, {2, 13, 0, 26, 10}, {3, 26, 0, 39, 10}}));
    // Weights that add up to 0 give nothing instead of dividing by zero.
    EXPECT_EQ(Compute({{0x10000000, 0, kLayoutShareX | kLayoutShareY | 0x44, 1, {0, 0, 10, 10}}}, 50, 50),
              (Placements{{1, 0, 0, 10, 10}}));
}

TEST(ui_layout, GroupingCellsAndUnreachableKeys)
{
    // A grouping cell of weight 1 beside one of weight 3 hands its children a
    // quarter of the width and pushes the sibling after it by that quarter.
    // The entry 0x10100000 is reached by no level: it is not placed and its
    // weight counts nowhere. Children come before the cells after their parent.
    EXPECT_EQ(Compute({{0x11000000, 0, kLayoutStretchX, 11, {0, 0, 50, 10}},
                       {0x10100000, 1000, kLayoutStretchX, 99, {0, 0, 5, 5}},
                       {0x10000000, 1, kLayoutShareX, 0, {}},
                       {0x20000000, 3, kLayoutShareX | kLayoutRightX, 20, {60, 0, 80, 10}},
                       {0x12000000, 0, kLayoutRightX, 12, {40, 20, 50, 30}}},
                      400, 0),
              (Placements{{11, 0, 0, 150, 10}, {12, 140, 20, 150, 30}, {20, 460, 0, 480, 10}}));
}

}  // namespace
